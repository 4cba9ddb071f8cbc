# Prepares vantorb-cli's help for its manual page:
# - OUTPUT, sections for help2man to include: the SYNOPSIS, the usage forms
#   of --help line for line (they are wrapped to fit the page), and
#   COMMANDS, the --help of every command the tool's own --help lists, so
#   that the page tells each command's operands and options as the tool
#   does;
# - HELP, the rest of --help as help2man is to read it: without the usage
#   forms, and with the exit statuses marked as a section of their own.
# Run as: cmake -DTOOL=vantorb-cli -DOUTPUT=FILE -DHELP=FILE -P command_help.cmake

execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)

# The usage forms: from the start to the program's own line. Each line
# starts with "Usage: ", "  or:  " or, going on, at least seven spaces.
set(last "| --version\n")
string(FIND "${help}" "${last}" end)
if(end EQUAL -1)
  message(FATAL_ERROR "${TOOL} --help has no usage line ending in '${last}'")
endif()
string(LENGTH "${last}" length)
math(EXPR end "${end} + ${length}")
string(SUBSTRING "${help}" 0 ${end} usage)
string(SUBSTRING "${help}" ${end} -1 rest)
# (A "^" would match again after each replacement: every line is matched
# by the line end before it.)
string(REGEX REPLACE "\n(Usage: |  or:  |       )" "\n" usage "\n${usage}")
string(REPLACE "-" "\\-" usage "${usage}")
# The program and command names in bold.
string(REGEX REPLACE "\n(vantorb\\\\-cli( [a-z]+)?)" "\n\\\\fB\\1\\\\fR" usage "${usage}")
set(page "[SYNOPSIS]\n.nf${usage}.fi\n")

string(REPLACE "\nExit status:\n" "\n*Exit status*\n" rest "${rest}")
file(WRITE ${HELP} "${rest}")

# The commands: the first word of each line indented by two spaces, from
# "Commands:" to the next blank line.
string(REPLACE "\n" ";" lines "${rest}")
set(commands "")
set(inside FALSE)
foreach(line IN LISTS lines)
  if(line STREQUAL "Commands:")
    set(inside TRUE)
  elseif(inside AND line STREQUAL "")
    break()
  elseif(inside AND line MATCHES "^  ([a-z]+)")
    list(APPEND commands ${CMAKE_MATCH_1})
  endif()
endforeach()
if(NOT commands)
  message(FATAL_ERROR "${TOOL} --help lists no commands")
endif()

string(APPEND page "[COMMANDS]\n")
foreach(command IN LISTS commands)
  execute_process(COMMAND ${TOOL} ${command} --help OUTPUT_VARIABLE text COMMAND_ERROR_IS_FATAL ANY)
  # As the terminal shows it: roff must not read a backslash as an escape
  # nor a leading dot or quote as a request.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(APPEND page ".SS ${command}\n.nf\n${text}.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${page}")
