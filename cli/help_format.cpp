#include "cli/help_format.hpp"

#include <vector>

namespace vantorb::cli {
namespace {

// "run FILE [ARG...] [--limit N] [--stats]": the operands, then each
// option but help, in brackets unless required.
std::string Synopsis(const CLI::Formatter& format, const CLI::App& app, const std::string& name) {
  std::string line = name;
  for (const CLI::Option* operand :
       app.get_options([](const CLI::Option* o) { return o->get_positional(); }))
    line += " " + format.make_option_usage(operand);
  for (const CLI::Option* option : app.get_options([&app](const CLI::Option* o) {
         return o->nonpositional() && o != app.get_help_ptr();
       })) {
    // The short name when there is one, as GNU synopses have it.
    const auto& shortNames = option->get_snames();
    std::string form = shortNames.empty() ? "--" + option->get_lnames().front()
                                          : "-" + shortNames.front();
    if (!option->get_option_text().empty()) form += " " + option->get_option_text();
    line += option->get_required() ? " " + form : " [" + form + "]";
  }
  return line;
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
  if (commands.empty()) return "Usage: " + Synopsis(*this, *app, name) + "\n";
  std::string text;
  for (const CLI::App* command : commands)
    text += (text.empty() ? "Usage: " : "  or:  ") +
            Synopsis(*this, *command, name + " " + command->get_name()) + "\n";
  std::string own;
  for (const CLI::Option* option : app->get_options({}))
    if (!option->get_lnames().empty())
      own += (own.empty() ? " --" : " | --") + option->get_lnames().front();
  return text + "  or:  " + name + own + "\n";
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

std::string HelpFormat::make_option_usage(const CLI::Option* operand) const {
  const std::string name = make_option_name(operand, true);
  return operand->get_expected_max() > 1 ? "[" + name + "...]" : name;
}

}  // namespace vantorb::cli
