# The real Qt dialogs, driven offscreen.
borovka_add_test(tst_qtdialogs SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_qtdialogs.cpp LIBS borovka_platform)
