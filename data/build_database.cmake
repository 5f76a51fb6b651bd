# Builds a SQLite database from its SQL source into a temporary file, then renames it, so
# that a failed build never leaves a half-made database behind.
#   cmake -DSQLITE3=... -DSOURCE=... -DOUTPUT=... -P build_database.cmake
set(temporary "${OUTPUT}.tmp")
file(REMOVE "${temporary}")
execute_process(COMMAND "${SQLITE3}" "${temporary}" INPUT_FILE "${SOURCE}" RESULT_VARIABLE result
                ERROR_VARIABLE errors OUTPUT_QUIET)
if(NOT result EQUAL 0 OR NOT errors STREQUAL "")
  file(REMOVE "${temporary}")
  message(FATAL_ERROR "Construction de ${OUTPUT} impossible : ${errors}")
endif()
file(RENAME "${temporary}" "${OUTPUT}")
