# Writes the help2man include file of the man page: the fixed sections of EXTRA, then the options of
# the extract and list subcommands taken from the command itself (-DTESK= -DOUT= -DEXTRA=).
file(READ ${EXTRA} text)
foreach(sub extract list)
  execute_process(COMMAND ${TESK} ${sub} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TESK} ${sub} --help failed (${rc})")
  endif()
  # The exit status and examples come once, from the top-level help.
  string(FIND "${help}" "\nExit status:" footer)
  if(NOT footer EQUAL -1)
    string(SUBSTRING "${help}" 0 ${footer} help)
  endif()
  string(TOUPPER "${sub}" title)
  # Backslashes are roff escapes; the options are shown as the command prints them.
  string(REPLACE "\\" "\\e" help "${help}")
  string(APPEND text "[${title} COMMAND]\n.nf\n${help}\n.fi\n\n")
endforeach()
file(WRITE ${OUT} "${text}")
