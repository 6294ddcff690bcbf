# Writes OUTPUT: the classes PLUGIN registers (run through TOLM), each naming the
# library by its file name alone, which the host reads relative to the registry's
# folder. The plug-in writes the registry itself, so its format is its own.
get_filename_component(library_name ${PLUGIN} NAME)
set(scratch ${OUTPUT}.scratch)
file(REMOVE ${scratch})
execute_process(COMMAND ${TOLM} --registry ${scratch} register ${PLUGIN}
                RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE error)
if(failed)
  message(FATAL_ERROR "Registering ${PLUGIN} failed: ${error}")
endif()
file(READ ${scratch} registry)
string(JSON count LENGTH ${registry} classes)
if(count EQUAL 0)
  message(FATAL_ERROR "${PLUGIN} registered no classes")
endif()
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
  string(JSON registry SET ${registry} classes ${index} library "\"${library_name}\"")
endforeach()
file(WRITE ${OUTPUT} "${registry}\n")
file(REMOVE ${scratch} ${scratch}.lock)
