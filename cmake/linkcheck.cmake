# The logic library and its tests link Qt Core only; Qt Gui and Qt Widgets
# belong to the windows. tolvaro_require_qt_core_only(<target>...) fails the
# configuration when any of the targets reaches one of them through its link
# libraries, however indirectly. The check runs once every target is
# defined, so it sees links added after the call as well.
include_guard(GLOBAL)

function(tolvaro_require_qt_core_only)
    foreach(target IN LISTS ARGN)
        # A deferred call reads its arguments when it runs; EVAL fixes them now.
        cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]]
            CALL _tolvaro_check_qt_core_only [[${target}]])")
    endforeach()
endfunction()

# A breadth-first walk over the link libraries; each pending entry keeps the
# chain it was reached by, for the message.
function(_tolvaro_check_qt_core_only root)
    set(pending ${root})
    set(chains ${root})
    set(seen "")
    while(pending)
        list(POP_FRONT pending current)
        list(POP_FRONT chains chain)
        if (current MATCHES "^Qt6?::(Gui|Widgets)$" OR current MATCHES "libQt6(Gui|Widgets)[.]")
            message(FATAL_ERROR "${root} links ${current} (${chain}): the logic and its "
                "tests link Qt Core only; code that needs Qt Gui belongs in src/ui.")
        endif()
        if (NOT TARGET ${current} OR current IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${current})
        get_target_property(aliased ${current} ALIASED_TARGET)
        if (aliased)
            set(libraries ${aliased})
        else()
            get_target_property(own ${current} LINK_LIBRARIES)
            get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
            set(libraries "")
            foreach(library IN LISTS own interface)
                # A static library hands its private links on as $<LINK_ONLY:...>.
                if (library MATCHES "^\\$<LINK_ONLY:([^$<>]+)>$")
                    set(library ${CMAKE_MATCH_1})
                endif()
                if (library AND NOT library MATCHES "-NOTFOUND$" AND NOT library MATCHES "\\$<")
                    list(APPEND libraries ${library})
                endif()
            endforeach()
        endif()
        foreach(library IN LISTS libraries)
            list(APPEND pending ${library})
            list(APPEND chains "${chain} -> ${library}")
        endforeach()
    endwhile()
endfunction()
