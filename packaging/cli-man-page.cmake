# Writes the manual page of ambrevale-cli from its own --help and the --help of every command
# it lists, through help2man, gzipped as Debian installs manual pages.
# cmake -DTOOL=... -DVERSION=... -DHELP2MAN=... -DGZIP=... -DOUTPUT=.../ambrevale-cli.1.gz -P cli-man-page.cmake

# Help text as preformatted roff: backslashes, leading dots and minus signs escaped.
function(as_roff text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE usage RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} --help failed: ${status}")
endif()

# The commands are the indented words under "Commands:".
string(REGEX MATCH "Commands:\n(  [^\n]*\n)+" listing "${usage}")
string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" commands "${listing}")
set(include "[COMMANDS]\n")
foreach(command IN LISTS commands)
  string(STRIP "${command}" command)
  execute_process(COMMAND ${TOOL} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TOOL} ${command} --help failed: ${status}")
  endif()
  as_roff("${help}" help)
  string(APPEND include ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
if(NOT commands)
  message(FATAL_ERROR "no commands found in the help of ${TOOL}")
endif()
string(APPEND include "[FILES]
.TP
.I dbCities.sqlite
The city database, beside the program (\\fI/usr/lib/ambrevale\\fR when installed).
.TP
.I land-110m.json
The land outlines the maps are drawn on, beside the program.
[SEE ALSO]
.BR ambrevale (1)
")

get_filename_component(folder ${OUTPUT} DIRECTORY)
string(REGEX REPLACE "\\.gz$" "" page "${OUTPUT}")
file(WRITE ${page}.h2m "${include}")
execute_process(
  COMMAND ${HELP2MAN} --no-info --no-discard-stderr "--version-string=${VERSION}"
          "--name=search a world city database and measure trips between cities"
          --section=1 --include=${page}.h2m --output=${page} ${TOOL}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${TOOL}: ${status}")
endif()
execute_process(COMMAND ${GZIP} -9nf ${page} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${page}")
endif()
