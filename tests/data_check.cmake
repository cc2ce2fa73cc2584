# The game folder is complete: every data XML parses, every file that data or code names exists, and every
# alias, label, cursor and emitter name that the code uses is declared in data/ (tools/datacheck.py).
add_test(NAME data_check COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/datacheck.py ${CMAKE_SOURCE_DIR} --strict)
# The check itself reports what a small broken game folder lacks (tests/data/datacheck).
add_test(NAME data_check_selftest
         COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/datacheck_selftest.py ${CMAKE_SOURCE_DIR})
