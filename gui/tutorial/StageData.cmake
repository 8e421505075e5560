# Fills STAGE_DIR with links to every entry of SOURCE_DATA, a link to the face
# finder library FINDER (when given) and a PosnNets folder for the finder's
# cascade files; links left from entries that are gone are removed. Files
# named in KEEP (generated into STAGE_DIR by the build) are left alone.
#   cmake -DSOURCE_DATA=... -DSTAGE_DIR=... [-DFINDER=...] [-DKEEP=a;b] -P StageData.cmake
cmake_minimum_required(VERSION 3.20)
if(NOT SOURCE_DATA OR NOT STAGE_DIR)
  message(FATAL_ERROR "StageData.cmake needs SOURCE_DATA and STAGE_DIR")
endif()
if(NOT IS_DIRECTORY "${SOURCE_DATA}")
  message(FATAL_ERROR "no data directory at ${SOURCE_DATA}")
endif()
file(MAKE_DIRECTORY "${STAGE_DIR}")

# Replaces `link` with a symbolic link to `target` unless it is one already.
function(stage_link target link)
  if(IS_SYMLINK "${link}")
    file(READ_SYMLINK "${link}" current)
    if(current STREQUAL target)
      return()
    endif()
    file(REMOVE "${link}")
  elseif(EXISTS "${link}")
    file(REMOVE_RECURSE "${link}")
  endif()
  file(CREATE_LINK "${target}" "${link}" SYMBOLIC)
endfunction()

set(wanted ${KEEP})
file(GLOB entries LIST_DIRECTORIES true "${SOURCE_DATA}/*")
foreach(entry ${entries})
  get_filename_component(name "${entry}" NAME)
  if(name IN_LIST KEEP)
    continue()
  endif()
  stage_link("${entry}" "${STAGE_DIR}/${name}")
  list(APPEND wanted "${name}")
endforeach()

if(FINDER)
  stage_link("${FINDER}" "${STAGE_DIR}/libQVFaceNet.so")
  list(APPEND wanted libQVFaceNet.so)
endif()

# The finder looks for its cascades in PosnNets first, then in the system's
# folder; the staged folder links the system's copies when they are there.
if(NOT "PosnNets" IN_LIST wanted)
  set(nets "${STAGE_DIR}/PosnNets")
  if(IS_SYMLINK "${nets}")
    file(REMOVE "${nets}")
  endif()
  file(MAKE_DIRECTORY "${nets}")
  foreach(cascade haarcascade_frontalface_default.xml haarcascade_frontalface_alt2.xml)
    foreach(folder /usr/share/opencv4/haarcascades /usr/share/opencv/haarcascades)
      if(EXISTS "${folder}/${cascade}")
        stage_link("${folder}/${cascade}" "${nets}/${cascade}")
        break()
      endif()
    endforeach()
  endforeach()
  list(APPEND wanted PosnNets)
endif()

# Links whose source entry is gone.
file(GLOB staged LIST_DIRECTORIES true "${STAGE_DIR}/*")
foreach(entry ${staged})
  get_filename_component(name "${entry}" NAME)
  if(IS_SYMLINK "${entry}" AND NOT name IN_LIST wanted)
    file(REMOVE "${entry}")
  endif()
endforeach()
