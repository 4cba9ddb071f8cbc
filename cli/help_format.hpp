#pragma once
// The look of vantorb-cli's help texts: GNU style, so that help2man can turn
// the top-level help into the manual page. The usage comes first ("Usage:"
// then an "  or:" line per further form), naming each option a command
// takes; options read "-o, --output FILE", long-only ones indented to line
// up after the short ones. Every line is at most kWidth columns: the usage
// forms and the descriptions are wrapped at spaces (a usage form goes on
// under its operands), so that the manual page, which shows each command's
// help indented by 7, stays within 80 columns. Texts given with line ends
// are reflowed. Stateless: one instance serves every command.

#include <cstddef>
#include <string>

#include <CLI/CLI.hpp>

namespace vantorb::cli {

class HelpFormat : public CLI::Formatter {
 public:
  static constexpr std::size_t kWidth = 73;

  HelpFormat();
  // Usage, description, operands, commands, options, then the footer (as
  // it is written).
  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override;
  // A program with commands gets one usage form per command, then the
  // line of its own options ("vantorb-cli --help | --version").
  std::string make_usage(const CLI::App* app, std::string name) const override;
  std::string make_description(const CLI::App* app) const override;
  std::string make_subcommand(const CLI::App* command) const override;
  std::string make_option_name(const CLI::Option* option, bool positional) const override;
  std::string make_option_opts(const CLI::Option* option) const override;
  std::string make_option_desc(const CLI::Option* option) const override;
  // "FILE" for a single operand, "[ARG...]" for any number of them.
  std::string make_option_usage(const CLI::Option* operand) const override;
};

}  // namespace vantorb::cli
