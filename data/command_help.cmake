# Writes, for help2man, a COMMANDS section of vantorb-cli's manual page: the
# --help of every command the tool's own --help lists, so that the page
# tells each command's operands and options as the tool does.
# Run as: cmake -DTOOL=vantorb-cli -DOUTPUT=FILE -P command_help.cmake

execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)

# The commands: the first word of each line indented by two spaces, from
# "Commands:" to the next blank line.
string(REPLACE "\n" ";" lines "${help}")
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

set(page "[COMMANDS]\n")
foreach(command IN LISTS commands)
  execute_process(COMMAND ${TOOL} ${command} --help OUTPUT_VARIABLE text COMMAND_ERROR_IS_FATAL ANY)
  # As the terminal shows it: roff must not read a backslash as an escape
  # nor a leading dot or quote as a request.
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(APPEND page ".SS ${command}\n.nf\n${text}.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${page}")
