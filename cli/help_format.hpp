#pragma once
// The look of vantorb-cli's help texts: GNU style, so that help2man can turn
// the top-level help into the manual page. The usage comes first ("Usage:"
// then an "  or:" line per further form), naming each option a command
// takes; options read "-o, --output FILE", long-only ones indented to line
// up after the short ones. Stateless: one instance serves every command.

#include <string>

#include <CLI/CLI.hpp>

namespace vantorb::cli {

class HelpFormat : public CLI::Formatter {
 public:
  HelpFormat();
  // Usage, description, operands, commands, options, then the footer.
  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override;
  // A program with commands gets one usage line per command, then the
  // line of its own options ("vantorb-cli --help | --version").
  std::string make_usage(const CLI::App* app, std::string name) const override;
  std::string make_option_name(const CLI::Option* option, bool positional) const override;
  std::string make_option_opts(const CLI::Option* option) const override;
  // "FILE" for a single operand, "[ARG...]" for any number of them.
  std::string make_option_usage(const CLI::Option* operand) const override;
};

}  // namespace vantorb::cli
