# Writes the tool's bash completion script to a file: cmake -DTOOL=<lumenrt> -DOUTPUT=<file> -P this.
get_filename_component(dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
execute_process(COMMAND ${TOOL} completion bash OUTPUT_FILE ${OUTPUT}.tmp RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT}.tmp)
  message(FATAL_ERROR "${TOOL} completion bash failed: ${result}")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
