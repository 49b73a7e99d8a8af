# cmake -DLUPDATE=... -DTS_FILE=... -DSOURCE_DIRS=dir|dir -DWORK_DIR=... -P checktranslations.cmake
# Fails when a text in the sources has no finished translation in TS_FILE, or TS_FILE still holds
# a text the sources no longer have.
string(REPLACE "|" ";" source_dirs "${SOURCE_DIRS}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(copy "${WORK_DIR}/check.ts")
file(COPY_FILE "${TS_FILE}" "${copy}")
execute_process(COMMAND "${LUPDATE}" -silent -locations none ${source_dirs} -ts "${copy}"
    RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed (${status}): ${errors}")
endif()
file(READ "${copy}" content)
string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation type=\"(unfinished|vanished|obsolete)\""
    unfinished "${content}")
if(unfinished)
    string(REPLACE ";" "\n" unfinished "${unfinished}")
    message(FATAL_ERROR "${TS_FILE} is not up to date: run `cmake --build build --target update_translations` "
        "and translate these texts:\n${unfinished}")
endif()
