#include "cli/help_format.hpp"

#include <sstream>
#include <vector>

namespace vantorb::cli {
namespace {

// The words of a text joined into lines of at most `width` columns (a
// longer word stands alone), each after the first starting with `indent`.
std::string Wrap(const std::vector<std::string>& words, std::size_t width,
                 const std::string& indent = "") {
  std::string text, line;
  for (const std::string& word : words) {
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      text += line + "\n";
      line = indent;
    }
    line += (line.empty() || line == indent ? "" : " ") + word;
  }
  return text + line;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// "run FILE [ARG...] [--limit N] [--stats]": the operands, then each
// option but help, in brackets unless required; one word per part.
std::vector<std::string> Synopsis(const CLI::Formatter& format, const CLI::App& app) {
  std::vector<std::string> parts;
  for (const CLI::Option* operand :
       app.get_options([](const CLI::Option* o) { return o->get_positional(); }))
    parts.push_back(format.make_option_usage(operand));
  for (const CLI::Option* option : app.get_options([&app](const CLI::Option* o) {
         return o->nonpositional() && o != app.get_help_ptr();
       })) {
    // The short name when there is one, as GNU synopses have it.
    const auto& shortNames = option->get_snames();
    std::string form = shortNames.empty() ? "--" + option->get_lnames().front()
                                          : "-" + shortNames.front();
    if (!option->get_option_text().empty()) form += " " + option->get_option_text();
    parts.push_back(option->get_required() ? form : "[" + form + "]");
  }
  return parts;
}

// A usage form after its prefix ("Usage: " or "  or:  "): the program and
// command names, then the parts, going on under the first part.
std::string UsageForm(const std::string& prefix, const std::string& name,
                      const std::vector<std::string>& parts) {
  std::vector<std::string> words{prefix + name};
  words.insert(words.end(), parts.begin(), parts.end());
  return Wrap(words, HelpFormat::kWidth, std::string(prefix.size() + name.size() + 1, ' ')) +
         "\n";
}

}  // namespace

HelpFormat::HelpFormat() {
  column_width(24);
  label("Positionals", "Operands");
}

std::string HelpFormat::make_help(const CLI::App* app, std::string name,
                                  CLI::AppFormatMode mode) const {
  std::string text = make_usage(app, name) + make_description(app) + make_positionals(app) +
                     make_subcommands(app, mode) + make_groups(app, mode);
  const std::string footer = make_footer(app);
  return footer.empty() ? text : text + "\n" + footer;
}

std::string HelpFormat::make_usage(const CLI::App* app, std::string name) const {
  const std::vector<const CLI::App*> commands = app->get_subcommands({});
  if (commands.empty()) return UsageForm("Usage: ", name, Synopsis(*this, *app));
  std::string text;
  for (const CLI::App* command : commands)
    text += UsageForm(text.empty() ? "Usage: " : "  or:  ", name + " " + command->get_name(),
                      Synopsis(*this, *command));
  std::vector<std::string> own;
  for (const CLI::Option* option : app->get_options({}))
    if (!option->get_lnames().empty()) {
      if (!own.empty()) own.push_back("|");
      own.push_back("--" + option->get_lnames().front());
    }
  return text + UsageForm("  or:  ", name, own);
}

std::string HelpFormat::make_description(const CLI::App* app) const {
  const std::string description = app->get_description();
  return description.empty() ? "" : Wrap(Words(description), kWidth) + "\n";
}

std::string HelpFormat::make_subcommand(const CLI::App* command) const {
  std::stringstream out;
  CLI::detail::format_help(out, command->get_name(),
                           Wrap(Words(command->get_description()), kWidth - get_column_width()),
                           get_column_width());
  return out.str();
}

std::string HelpFormat::make_option_name(const CLI::Option* option, bool positional) const {
  if (positional) return Formatter::make_option_name(option, positional);
  std::string names;
  for (const auto& name : option->get_snames()) names += "-" + name + ", ";
  if (names.empty()) names = "    ";
  for (const auto& name : option->get_lnames()) names += "--" + name + ", ";
  return names.substr(0, names.size() - 2);
}

std::string HelpFormat::make_option_opts(const CLI::Option* option) const {
  // Operands are named in the usage already.
  return option->get_positional() ? "" : Formatter::make_option_opts(option);
}

std::string HelpFormat::make_option_desc(const CLI::Option* option) const {
  return Wrap(Words(option->get_description()), kWidth - get_column_width());
}

std::string HelpFormat::make_option_usage(const CLI::Option* operand) const {
  const std::string name = make_option_name(operand, true);
  return operand->get_expected_max() > 1 ? "[" + name + "...]" : name;
}

}  // namespace vantorb::cli
