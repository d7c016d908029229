# cmake -DNAME=<name> (-DPROGRAM=<program> -DSUMMARY=<NAME line> [-DSEE_ALSO=<page>,...]
#       | -DSOURCE=<page.1>) -DGZIP=<gzip> -DOUTPUT=<name.1.gz> -P OrvantaManualPage.cmake
# Writes a gzipped section-1 manual page: a copy of SOURCE, or a page whose
# description is the text `PROGRAM --help` prints, line for line.

# roff text that shows <text> as it is: backslashes and minus signs escaped,
# a line starting with a control character guarded.
function(roff_literal text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

if(DEFINED SOURCE)
  file(READ "${SOURCE}" page)
else()
  execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR help STREQUAL "")
    message(FATAL_ERROR "${NAME} --help printed no help (exit status ${status})")
  endif()
  string(TOUPPER "${NAME}" title)
  # SOURCE_DATE_EPOCH, when set, gives the date: the same page on every build.
  string(TIMESTAMP date "%B %Y" UTC)
  roff_literal("${NAME}" name)
  roff_literal("${SUMMARY}" summary)
  if(NOT help MATCHES "\n$")
    string(APPEND help "\n")
  endif()
  roff_literal("${help}" help)
  string(CONCAT page ".TH ${title} 1 \"${date}\" \"Orvanta\" \"User Commands\"\n.SH NAME\n${name} \\- ${summary}\n"
                     ".SH DESCRIPTION\n.nf\n${help}.fi\n")
  if(SEE_ALSO)
    set(references "")
    string(REPLACE "," ";" SEE_ALSO "${SEE_ALSO}")
    foreach(other IN LISTS SEE_ALSO)
      roff_literal("${other}" other)
      list(APPEND references ".BR ${other} (1)")
    endforeach()
    list(JOIN references ",\n" references)
    string(APPEND page ".SH SEE ALSO\n${references}\n")
  endif()
endif()

string(REGEX REPLACE "\\.gz$" "" plain "${OUTPUT}")
file(WRITE "${plain}" "${page}")
execute_process(COMMAND "${GZIP}" -9nf "${plain}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip ${plain} failed")
endif()
