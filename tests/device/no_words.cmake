# The device layer reports events and results; the window and the console word them. Fails
# when a file under device/ reaches for the catalogue of user texts.
file(GLOB sources "${DEVICE_DIR}/*.h" "${DEVICE_DIR}/*.cpp")
set(found)
foreach(source IN LISTS sources)
  file(STRINGS "${source}" lines REGEX "core/language\\.h|TextPair|Message::|Caption::|Tr\\(")
  foreach(line IN LISTS lines)
    list(APPEND found "${source}: ${line}")
  endforeach()
endforeach()
if(found)
  list(JOIN found "\n" report)
  message(FATAL_ERROR "user texts in device/:\n${report}")
endif()
