# The installer's own duties under Wine: the notices name every DLL, the icon's sizes,
# an upgrade by the installed list, "Open with", the running-program check and an
# uninstaller that leaves the user's files.
add_test(NAME windows.setup
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/run_setup.sh ${setup}
          ${package_dir}/Ambrevale-${PROJECT_VERSION}-win64 ${CMAKE_BINARY_DIR}/windows/ambrevale.ico
          ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR} $<TARGET_FILE:windows_session>)
set_tests_properties(windows.setup PROPERTIES LABELS "windows" TIMEOUT 900)
