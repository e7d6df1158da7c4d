# Lists the folders of a Wine prefix that are its user's own, %APPDATA% and
# the Programs folders, or compares them with the list made before: the
# suite runs between the two, and a test that wrote into them, as a test on a
# user's own machine must never do, fails the run.
#
#   cmake -DACTION=list|compare -DPREFIX=<Wine prefix> -DLIST=<file> -P userfolders.cmake

# Links are then named, not followed.
cmake_minimum_required(VERSION 3.25)

function(list_user_folders out)
    file(GLOB roots LIST_DIRECTORIES true
        "${PREFIX}/drive_c/Program Files*" "${PREFIX}/drive_c/users/*/AppData/Roaming")
    set(lines)
    foreach(root IN LISTS roots)
        file(GLOB_RECURSE entries LIST_DIRECTORIES true "${root}/*")
        foreach(entry IN LISTS entries)
            file(RELATIVE_PATH name "${PREFIX}" "${entry}")
            if (IS_SYMLINK "${entry}")
                list(APPEND lines "${name} -> link")
            elseif (IS_DIRECTORY "${entry}")
                list(APPEND lines "${name}/")
            else()
                file(SHA1 "${entry}" hash)
                list(APPEND lines "${name} ${hash}")
            endif()
        endforeach()
    endforeach()
    list(SORT lines)
    set(${out} "${lines}" PARENT_SCOPE)
endfunction()

list_user_folders(now)
if (ACTION STREQUAL "list")
    file(WRITE "${LIST}" "${now}")
    list(LENGTH now count)
    message(STATUS "${count} entries under %APPDATA% and the Programs folders")
elseif (ACTION STREQUAL "compare")
    file(READ "${LIST}" before)
    set(made ${now})
    set(gone ${before})
    if (before)
        list(REMOVE_ITEM made ${before})
    endif()
    if (now)
        list(REMOVE_ITEM gone ${now})
    endif()
    if (made OR gone)
        list(JOIN made "\n  " made)
        list(JOIN gone "\n  " gone)
        message(FATAL_ERROR "the tests changed the user's own folders\n"
            "new or changed:\n  ${made}\nremoved or changed:\n  ${gone}")
    endif()
    message(STATUS "%APPDATA% and the Programs folders are as the tests found them")
else()
    message(FATAL_ERROR "ACTION must be list or compare")
endif()
