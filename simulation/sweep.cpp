#include "simulation/sweep.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <exception>
#include <map>
#include <memory>
#include <cctype>
#include <mutex>
#include <system_error>
#include <thread>

#include "driver/compilation_driver.hpp"
#include "network/exceptions.hpp"
#include "network/utils.hpp"
#include "simulation/network_run.hpp"
#include "network/unary.hpp"
#include "simulation/run_arguments.hpp"

namespace vantorb {
namespace {

// How often the caller's thread asks the stop request while it waits for
// rows: often enough for Ctrl-C to feel immediate.
constexpr auto kStopPoll = std::chrono::milliseconds(20);

[[noreturn]] void RefuseRange(const std::string& text, const std::string& problem) {
  throw ArgumentError("range '" + text + "' " + problem);
}

}  // namespace

SweepRange SweepRange::Parse(const std::string& text) {
  constexpr const char* kForms = "is not a number, A..B or a comma list";
  SweepRange range;
  range.text_ = text;
  if (const auto dots = text.find(".."); dots != std::string::npos) {
    const std::string first = text.substr(0, dots), last = text.substr(dots + 2);
    if (!IsNaturalNumberText(first) || !IsNaturalNumberText(last)) RefuseRange(text, kForms);
    const auto a = ParseDecimalInteger(first, 0, INT64_MAX);
    const auto b = ParseDecimalInteger(last, 0, INT64_MAX);
    if (!a || !b) RefuseRange(text, "goes beyond " + std::to_string(INT64_MAX));
    if (*b < *a) RefuseRange(text, "ends before it starts");
    // b - a is at most 2^63 - 1: one more still fits.
    const std::uint64_t count = static_cast<std::uint64_t>(*b - *a) + 1;
    if (count > kMaxSweepTuples)
      RefuseRange(text, "has more than " + std::to_string(kMaxSweepTuples) + " numbers");
    range.first_ = static_cast<std::uint64_t>(*a);
    range.count_ = count;
    return range;
  }
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
    if (!IsNaturalNumberText(item)) RefuseRange(text, kForms);
    range.listed_.push_back(std::move(item));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return range;
}

std::string SweepRange::At(std::uint64_t index) const {
  return listed_.empty() ? std::to_string(first_ + index) : listed_[index];
}

std::vector<std::string> SweepRange::Largest() const {
  if (listed_.empty()) return {At(count_ - 1)};
  return listed_;  // a list's numbers, each checked: they are few
}

SweepTuples::SweepTuples(std::vector<SweepRange> ranges) : ranges_(std::move(ranges)) {
  for (const SweepRange& range : ranges_) {
    // Each count is at least 1 and at most kMaxSweepTuples: no overflow
    // before the test fails.
    count_ *= range.Count();
    if (count_ > kMaxSweepTuples)
      throw ArgumentError("the ranges make more than " + std::to_string(kMaxSweepTuples) +
                          " tuples, the most a sweep takes");
  }
}

namespace {

// CheckArgumentSize's refusal, as an ArgumentError that names where the
// argument came from.
void CheckSize(const std::string& argument, std::int64_t largest, const std::string& where) {
  try {
    CheckArgumentSize(argument, largest);
  } catch (const NeuroException& e) {
    std::string message = e.Message();
    if (!message.empty()) message[0] = static_cast<char>(std::tolower(message[0]));
    throw ArgumentError(where + ": " + message);
  }
}

}  // namespace

void SweepTuples::CheckSizes(std::int64_t largest) const {
  for (const SweepRange& range : ranges_)
    for (const std::string& argument : range.Largest())
      CheckSize(argument, largest, "range '" + range.Text() + "'");
}

TupleList::TupleList(std::vector<std::vector<std::string>> tuples) : tuples_(std::move(tuples)) {
  if (tuples_.size() > kMaxSweepTuples)
    throw ArgumentError("more than " + std::to_string(kMaxSweepTuples) +
                        " tuples, the most a sweep takes");
  for (std::size_t t = 0; t < tuples_.size(); ++t) {
    const auto name = [&] {
      std::string joined;
      for (const std::string& argument : tuples_[t]) joined += (joined.empty() ? "" : ", ") + argument;
      return "tuple " + std::to_string(t) + " (" + joined + ")";
    };
    if (tuples_[t].size() != tuples_[0].size())
      throw ArgumentError(name() + " has " + std::to_string(tuples_[t].size()) +
                          " arguments, the first " + std::to_string(tuples_[0].size()));
    for (const std::string& argument : tuples_[t])
      if (!IsNaturalNumberText(argument))
        throw ArgumentError(name() + ": argument '" + argument + "' is not a natural number");
  }
}

void TupleList::CheckSizes(std::int64_t largest) const {
  for (std::size_t t = 0; t < tuples_.size(); ++t) {
    for (const std::string& argument : tuples_[t]) {
      try {
        CheckArgumentSize(argument, largest);
      } catch (const NeuroException&) {
        std::string joined;
        for (const std::string& a : tuples_[t]) joined += (joined.empty() ? "" : ", ") + a;
        CheckSize(argument, largest, "tuple " + std::to_string(t) + " (" + joined + ")");
      }
    }
  }
}

std::vector<std::string> SweepTuples::At(std::uint64_t index) const {
  std::vector<std::string> arguments(ranges_.size());
  for (std::size_t r = ranges_.size(); r-- > 0;) {
    const std::uint64_t count = ranges_[r].Count();
    arguments[r] = ranges_[r].At(index % count);
    index /= count;
  }
  return arguments;
}

const char* SweepStatusName(SweepStatus status) {
  switch (status) {
    case SweepStatus::Done:
      return "done";
    case SweepStatus::Limit:
      return "limit";
    case SweepStatus::Stopped:
      return "stopped";
  }
  return "stopped";
}

namespace {

// One sweep: the workers, and the rows they hand to the caller's thread.
class SweepRunner {
 public:
  SweepRunner(const NetworkSource& source, const ArgumentTuples& tuples,
              const SweepOptions& options)
      : source_(source), tuples_(tuples), options_(options) {}
  ~SweepRunner() { Join(); }
  SweepRunner(const SweepRunner&) = delete;
  SweepRunner& operator=(const SweepRunner&) = delete;

  SweepOutcome Run();

 private:
  enum Halt { kGoOn, kStop, kError };

  void Work(std::unique_ptr<Network> network) noexcept;
  SweepRow RunTuple(NetworkRun& run, const Network& network, std::uint64_t index) const;
  // Halts every worker (an error, or a caller that leaves) and waits for
  // them.
  void Join();
  // Delivers the rows that follow the last one delivered without a gap;
  // returns whether every worker had ended when they were taken.
  bool Deliver(std::uint64_t& reported);

  const NetworkSource& source_;
  const ArgumentTuples& tuples_;
  const SweepOptions& options_;
  std::vector<std::thread> workers_;
  std::atomic<std::uint64_t> next_{0};  // the next tuple to take
  std::atomic<int> halt_{kGoOn};

  std::mutex mutex_;  // guards what follows
  std::condition_variable changed_;
  std::map<std::uint64_t, SweepRow> ended_;  // not yet delivered
  std::uint64_t endedCount_ = 0;
  std::size_t working_ = 0;
  std::exception_ptr error_;

  std::uint64_t delivered_ = 0;  // the caller's thread's own
};

void CheckJobs(const SweepOptions& options) {
  if (options.jobs > kMaxSweepJobs)
    throw ArgumentError("a sweep takes at most " + std::to_string(kMaxSweepJobs) +
                        " workers, not " + std::to_string(options.jobs));
}

SweepOutcome SweepRunner::Run() {
  CheckJobs(options_);  // before the build, which may take long
  std::unique_ptr<Network> first = source_.Build();
  CheckSweep(*first, tuples_, options_);
  if (tuples_.Count() == 0) return {};
  const std::uint64_t jobs = std::clamp<std::uint64_t>(options_.jobs, 1, tuples_.Count());
  {
    std::lock_guard lock(mutex_);
    working_ = jobs;
  }
  try {
    workers_.emplace_back(&SweepRunner::Work, this, std::move(first));
    for (std::uint64_t k = 1; k < jobs; ++k) workers_.emplace_back(&SweepRunner::Work, this, nullptr);
  } catch (const std::system_error& e) {
    // The started workers stop; those never started will not end.
    {
      std::lock_guard lock(mutex_);
      working_ -= jobs - workers_.size();
    }
    const std::size_t started = workers_.size();
    Join();
    throw NeuroException("The worker threads could not be started: " + std::to_string(started) +
                         " of " + std::to_string(jobs) + " were (" + e.what() + ")");
  }

  std::uint64_t reported = 0;
  while (!Deliver(reported)) {
    if (options_.stop && halt_ == kGoOn && options_.stop()) halt_ = kStop;
  }
  Join();
  if (error_) std::rethrow_exception(error_);
  return {delivered_, halt_ == kStop};
}

bool SweepRunner::Deliver(std::uint64_t& reported) {
  std::vector<SweepRow> rows;
  bool over = false;
  std::uint64_t ended = 0;
  {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kStopPoll, [&] {
      return working_ == 0 || ended_.count(delivered_) > 0 || endedCount_ != reported;
    });
    for (auto row = ended_.find(delivered_ + rows.size()); row != ended_.end();
         row = ended_.find(delivered_ + rows.size())) {
      rows.push_back(std::move(row->second));
      ended_.erase(row);
    }
    over = working_ == 0;
    ended = endedCount_;
  }
  for (const SweepRow& row : rows) {
    ++delivered_;
    if (options_.row) options_.row(row);
  }
  if (ended != reported && options_.progress) options_.progress(ended, tuples_.Count());
  reported = ended;
  return over;
}

void SweepRunner::Work(std::unique_ptr<Network> network) noexcept {
  try {
    if (!network) network = source_.Build();
    NetworkRun run(options_.engine);
    while (halt_ == kGoOn) {
      const std::uint64_t index = next_++;
      if (index >= tuples_.Count()) break;
      SweepRow row = RunTuple(run, *network, index);
      // A run cut short by another's error is no outcome of its own.
      if (row.status == SweepStatus::Stopped && halt_ == kError) break;
      {
        std::lock_guard lock(mutex_);
        ended_.emplace(index, std::move(row));
        ++endedCount_;
      }
      changed_.notify_one();
    }
  } catch (...) {
    std::lock_guard lock(mutex_);
    if (!error_) error_ = std::current_exception();
    halt_ = kError;
  }
  {
    std::lock_guard lock(mutex_);
    --working_;
  }
  changed_.notify_one();
}

SweepRow SweepRunner::RunTuple(NetworkRun& run, const Network& network,
                               std::uint64_t index) const {
  SweepRow row;
  row.index = index;
  row.arguments = tuples_.At(index);
  const RunStatus status = RunToEnd(run, network, row.arguments, options_.limit,
                                    [this] { return halt_ != kGoOn; });
  row.iterations = run.Iteration();
  switch (status) {
    case RunStatus::Finished:
      row.status = SweepStatus::Done;
      row.result = run.Result();
      break;
    case RunStatus::LimitReached:
      row.status = SweepStatus::Limit;
      if (!run.Result().empty()) row.partial = run.Result();
      break;
    case RunStatus::Running:
      row.status = SweepStatus::Stopped;
      break;
  }
  return row;
}

void SweepRunner::Join() {
  if (halt_ == kGoOn) {
    std::lock_guard lock(mutex_);
    if (working_ > 0) halt_ = kError;
  }
  for (std::thread& worker : workers_)
    if (worker.joinable()) worker.join();
}

}  // namespace

void CheckSweep(const Network& network, const ArgumentTuples& tuples, const SweepOptions& options) {
  CheckJobs(options);
  if (tuples.Count() == 0) return;
  CheckArity(network, tuples.At(0));
  tuples.CheckSizes(LargestArgument(options.engine, ValuesHeld::InEngine));
}

SweepOutcome Sweep(const NetworkSource& source, const ArgumentTuples& tuples,
                   const SweepOptions& options) {
  return SweepRunner(source, tuples, options).Run();
}

}  // namespace vantorb
