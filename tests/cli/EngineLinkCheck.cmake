# SPDX-License-Identifier: GPL-3.0-or-later
# korvani-pitch stands on the engine alone: it links no sound device, no Qt
# and nothing of the window framework. Run with -DPROGRAM=<korvani-pitch>.
execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE libraries RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ldd ${PROGRAM} failed")
endif()
foreach(library IN ITEMS libasound libQt6 libX11 libxcb)
  if(libraries MATCHES "${library}")
    message(FATAL_ERROR "korvani-pitch links ${library}:\n${libraries}")
  endif()
endforeach()

execute_process(COMMAND nm -C --defined-only ${PROGRAM} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm ${PROGRAM} failed")
endif()
# A class of the framework, the sound service and the window's document.
foreach(symbol IN ITEMS "TWindow::" "TDocument::" "platform::SndPlaySound" "TPlayedWaveData::")
  string(FIND "${symbols}" "${symbol}" found)
  if(NOT found EQUAL -1)
    message(FATAL_ERROR "korvani-pitch carries ${symbol}")
  endif()
endforeach()
