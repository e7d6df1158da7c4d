# Display texts kept only in the encoded form HexToText decodes: the bytes of
# the text in a code page (936, or UTF-8 for systems whose ANSI code page it
# is), as hexadecimal digits, with "%" scattered through them as noise.
# tolvaro_encoded_text(<variable> <text> [<iconv name of the code page>])
# sets <variable> to a C++ expression that joins the encoded text at run time
# from short pieces (string literals of at most four digits and one "%", and
# single characters made from their codes), so that no encoded text stands
# whole in the program. The pieces and the noise follow from the text and the
# code page alone: the same text always gives the same expression. A text
# that the code page (default CP936) cannot hold fails the configuration.
include_guard(GLOBAL)

# The build machine's iconv writes the code page, as the Linux build's own
# conversion does (it uses the same name for it).
find_program(TOLVARO_ICONV iconv REQUIRED)

# The next number from 0 to 15 of the noise, from the caller's stream and
# drawn count.
macro(_tolvaro_draw out)
    if (drawn EQUAL 64)
        string(SHA256 stream "${stream}")
        set(drawn 0)
    endif()
    string(SUBSTRING "${stream}" ${drawn} 1 nibble)
    math(EXPR drawn "${drawn} + 1")
    math(EXPR ${out} "0x${nibble}")
endmacro()

# Appends the caller's term to its expression, in lines of at most about 80
# characters.
macro(_tolvaro_append_term)
    string(LENGTH "${term}" width)
    if (count EQUAL 0)
        set(expression "${term}")
        set(line ${width})
    elseif (line GREATER 72)
        string(APPEND expression "\n        + ${term}")
        math(EXPR line "${width} + 10")
    else()
        string(APPEND expression " + ${term}")
        math(EXPR line "${line} + ${width} + 3")
    endif()
endmacro()

function(tolvaro_encoded_text variable text)
    set(codepage CP936)
    if (ARGC GREATER 2)
        set(codepage ${ARGV2})
    endif()
    set(plain ${CMAKE_CURRENT_BINARY_DIR}/encodedtext.utf8)
    set(encoded ${CMAKE_CURRENT_BINARY_DIR}/encodedtext.encoded)
    file(WRITE ${plain} "${text}")
    execute_process(COMMAND ${TOLVARO_ICONV} -f UTF-8 -t ${codepage}
        INPUT_FILE ${plain} OUTPUT_FILE ${encoded} ERROR_VARIABLE error RESULT_VARIABLE result)
    if (NOT result EQUAL 0)
        message(FATAL_ERROR "\"${text}\" cannot be written in ${codepage}: ${error}")
    endif()
    file(READ ${encoded} digits HEX)
    file(REMOVE ${plain} ${encoded})
    string(TOUPPER "${digits}" digits)
    string(LENGTH "${digits}" length)
    if (length EQUAL 0)
        message(FATAL_ERROR "An encoded display text cannot be empty.")
    endif()

    # The noise: hexadecimal digits of a chain of hashes of the text.
    string(SHA256 stream "${codepage}${text}")
    set(drawn 0)
    set(expression "")
    set(line 0)
    set(count 0)
    set(at 0)
    while (at LESS length)
        _tolvaro_draw(size)
        math(EXPR size "${size} % 4 + 1")
        string(SUBSTRING "${digits}" ${at} ${size} piece)
        math(EXPR at "${at} + ${size}")
        string(LENGTH "${piece}" size)

        # About one piece in three carries a "%", anywhere in it.
        _tolvaro_draw(noise)
        if (noise LESS 6)
            math(EXPR place "${noise} % (${size} + 1)")
            string(SUBSTRING "${piece}" 0 ${place} head)
            string(SUBSTRING "${piece}" ${place} -1 tail)
            set(piece "${head}%${tail}")
        endif()

        # A lone digit (never the first piece) is often a character code.
        _tolvaro_draw(kind)
        string(LENGTH "${piece}" size)
        if (count GREATER 0 AND size EQUAL 1 AND kind LESS 10)
            string(HEX "${piece}" code)
            math(EXPR code "0x${code}")
            set(term "QChar(${code})")
        else()
            set(term "u\"${piece}\"_s")
        endif()
        # Now and then a "%" of its own, as a character code.
        if (kind EQUAL 15)
            string(APPEND term " + QChar(37)")
        endif()
        _tolvaro_append_term()
        math(EXPR count "${count} + 1")
    endwhile()
    set(${variable} "${expression}" PARENT_SCOPE)
endfunction()
