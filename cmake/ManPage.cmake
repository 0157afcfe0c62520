# Writes the man page of the tessaline command from its --help and
# --list-types, so that the page never drifts from the program.
#
#   cmake -DPROGRAM=path/to/tessaline -DOUTPUT=tessaline.1 -DVERSION=x.y.z -P ManPage.cmake
#
# --help is read as: "Usage:" and the indented synopsis lines, the
# description paragraphs, the option lines ("  -x, --long ARG  text", with
# deeper-indented continuation lines) and a closing "Exit status:" paragraph.
cmake_policy(VERSION 3.22)
execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed")
endif()
execute_process(COMMAND "${PROGRAM}" --list-types OUTPUT_VARIABLE types RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --list-types failed")
endif()

# roff: backslashes escaped, minus signs as such, no line starting a request.
function(roff_text out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "^([.'])" "\\\\&\\1" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(REPLACE ";" "\\;" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
set(synopsis "")
set(description "")
set(options "")
set(exit "")
set(state start)
set(column 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^Usage:")
    set(state synopsis)
    continue()
  endif()
  if(line MATCHES "^Exit status:(.*)")
    set(state exit)
    set(line "${CMAKE_MATCH_1}")
  endif()
  if(state STREQUAL "synopsis")
    if(line STREQUAL "")
      set(state description)
      continue()
    endif()
    string(STRIP "${line}" line)
    roff_text(line "${line}")
    if(line MATCHES "^tessaline(.*)")
      string(APPEND synopsis "\\fBtessaline\\fR${CMAKE_MATCH_1}\n")
    else()
      string(APPEND synopsis "          ${line}\n")
    endif()
  elseif(state STREQUAL "description")
    if(line MATCHES "^  -")
      set(state options)
    else()
      if(line STREQUAL "")
        string(APPEND description ".PP\n")
      else()
        roff_text(line "${line}")
        string(APPEND description "${line}\n")
      endif()
      continue()
    endif()
  endif()
  if(state STREQUAL "options")
    # The texts start in one column, that of the first option line with
    # two blanks before its text; longer options leave one blank.
    if(NOT column AND line MATCHES "^  (-[^ ]+( [^ ]+)*)  +(.*)$")
      string(LENGTH "${line}" whole)
      string(LENGTH "${CMAKE_MATCH_3}" rest)
      math(EXPR column "${whole} - ${rest}")
    endif()
    string(LENGTH "${line}" length)
    set(head "")
    if(line MATCHES "^  -" AND column AND length GREATER column)
      math(EXPR before "${column} - 1")
      string(SUBSTRING "${line}" ${before} 1 blank)
      if(blank STREQUAL " ")
        string(SUBSTRING "${line}" 0 ${column} head)
        string(SUBSTRING "${line}" ${column} -1 text)
      endif()
    elseif(line MATCHES "^  -")
      set(head "${line}")
      set(text "")
    endif()
    if(NOT head STREQUAL "")
      string(STRIP "${head}" head)
      roff_text(option "${head}")
      roff_text(text "${text}")
      string(APPEND options ".TP\n.B ${option}\n${text}\n")
    elseif(NOT line STREQUAL "")
      string(STRIP "${line}" line)
      roff_text(line "${line}")
      string(APPEND options "${line}\n")
    endif()
  elseif(state STREQUAL "exit")
    string(STRIP "${line}" line)
    if(NOT line STREQUAL "")
      roff_text(line "${line}")
      string(APPEND exit "${line}\n")
    endif()
  endif()
endforeach()

# The symbologies, as --list-types gives them.
string(REPLACE ";" "\\;" types "${types}")
string(REPLACE "\n" ";" type_lines "${types}")
set(type_table "")
foreach(line IN LISTS type_lines)
  if(line MATCHES "^ *([0-9]+)  (.*[^ ])  +([^ ].*)$")
    roff_text(name "${CMAKE_MATCH_2}")
    roff_text(sample "${CMAKE_MATCH_3}")
    string(APPEND type_table "${CMAKE_MATCH_1}\t${name}\t${sample}\n")
  elseif(line MATCHES "^ *([0-9]+)  (.*[^ ]) *$")
    roff_text(name "${CMAKE_MATCH_2}")
    string(APPEND type_table "${CMAKE_MATCH_1}\t${name}\t\n")
  endif()
endforeach()

file(WRITE "${OUTPUT}" "'\\\" t
.\\\" Written from tessaline --help and --list-types.
.TH TESSALINE 1 \"\" \"Tessaline ${VERSION}\" \"User Commands\"
.SH NAME
tessaline \\- draw linear and postal barcodes into image files
.SH SYNOPSIS
.nf
${synopsis}.fi
.SH DESCRIPTION
${description}.SH OPTIONS
${options}.SH SYMBOLOGIES
.B \\-\\-type
takes the id or the name (case and blanks do not matter):
.PP
.TS
l l l.
id\tname\tsample text
${type_table}.TE
.SH EXIT STATUS
${exit}.SH EXAMPLES
.nf
tessaline \\-\\-type \"Code 128\" \\-\\-text \"Hello 123\" \\-o hello.svg
tessaline \\-\\-type 1 \\-\\-text 590123412345 \\-\\-info
tessaline \\-\\-batch labels.tsv \\-\\-jobs 2 \\-o out/
.fi
.SH SEE ALSO
.BR tessastudio (1),
.BR tessaline\\-regsvr (1)
")
