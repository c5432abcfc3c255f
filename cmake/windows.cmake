# The Windows build (cross-built with mingw-w64, see scripts/build-windows.sh): the
# program is a window program with its icon, and the program folder build/bin gets
# the DLLs and Qt plugins it needs, so the program, the tool and the tests run from
# there (under Wine here) and the folder is the zip's content as it is.

# The resource compiler (windres) builds the icon and version information in.
enable_language(RC)
set_target_properties(ambrevale PROPERTIES WIN32_EXECUTABLE ON)
# ShellExecute, which opens the workbook in the spreadsheet program, and
# AssocQueryString, which tells whether a program opens .xlsx files.
target_link_libraries(ambrevale_core PUBLIC shell32 shlwapi)

# Every program of ours (the window, the tool, the tests) runs with UTF-8 as its
# ANSI code page, so a file name or city name outside the local code page reaches
# open(), SQLite and the messages whole.
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/utf8_manifest.rc.in
  ${CMAKE_BINARY_DIR}/windows/utf8_manifest.rc @ONLY)
target_sources(ambrevale_core INTERFACE ${CMAKE_BINARY_DIR}/windows/utf8_manifest.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/windows/utf8_manifest.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/windows/utf8.manifest)

# The icon of the program file and of the Start-menu entry: seven sizes, each drawn
# from the vector source at its own size (never one picture scaled), in one .ico.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(MAGICK_CONVERT convert REQUIRED)
set(icon_source ${CMAKE_SOURCE_DIR}/data/ambrevale.svg)
set(icon ${CMAKE_BINARY_DIR}/windows/ambrevale.ico)
set(icon_commands)
set(icon_sizes)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND icon_commands COMMAND ${RSVG_CONVERT} -w ${size} -h ${size}
    -o ${CMAKE_BINARY_DIR}/windows/icon-${size}.png ${icon_source})
  list(APPEND icon_sizes ${CMAKE_BINARY_DIR}/windows/icon-${size}.png)
endforeach()
add_custom_command(OUTPUT ${icon}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/windows
  ${icon_commands}
  COMMAND ${MAGICK_CONVERT} ${icon_sizes} ${icon}
  DEPENDS ${icon_source} VERBATIM)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/ambrevale.rc.in
  ${CMAKE_BINARY_DIR}/windows/ambrevale.rc @ONLY)
target_sources(ambrevale PRIVATE ${CMAKE_BINARY_DIR}/windows/ambrevale.rc ${icon})
set_source_files_properties(${CMAKE_BINARY_DIR}/windows/ambrevale.rc PROPERTIES
  OBJECT_DEPENDS ${icon})

# The runtime of the compiler and Qt's DLLs and plugins, beside the program.
get_filename_component(compiler_dir ${CMAKE_CXX_COMPILER} DIRECTORY)
set(runtime_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    message(FATAL_ERROR "The compiler's ${dll} was not found")
  endif()
  list(APPEND runtime_dlls ${found})
endforeach()

set(qt_prefix ${QT6_INSTALL_PREFIX})
set(qt_dlls)
foreach(module Core Gui Widgets)
  list(APPEND qt_dlls ${qt_prefix}/${QT6_INSTALL_BINS}/Qt6${module}.dll)
endforeach()
# The plugins the program loads: the Windows platform (and the offscreen one, on
# which the tool draws its maps), the native style, the icon's picture format.
set(qt_plugins
  platforms/qwindows.dll
  platforms/qoffscreen.dll
  styles/qwindowsvistastyle.dll
  imageformats/qico.dll)
set(deploy_commands)
foreach(dll IN LISTS runtime_dlls qt_dlls)
  list(APPEND deploy_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dll} ${PROGRAM_DIR}/)
endforeach()
foreach(plugin IN LISTS qt_plugins)
  get_filename_component(folder ${plugin} DIRECTORY)
  list(APPEND deploy_commands
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROGRAM_DIR}/${folder}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
      ${qt_prefix}/${QT6_INSTALL_PLUGINS}/${plugin} ${PROGRAM_DIR}/${folder}/)
endforeach()
add_custom_target(windows_runtime ALL ${deploy_commands}
  COMMENT "Copying the compiler's and Qt's DLLs and plugins beside the program")

# What the tests need besides: Qt Test and the offscreen platform. They run where
# they are built, in a Windows session's environment (tests/windows/windows_env.sh),
# whose PATH gets these two folders (Qt's DLLs, then the program folder's) and whose
# QT_PLUGIN_PATH names Qt's plugins: Windows folders, as drive Z: shows them.
string(REPLACE "/" "\\" AMBREVALE_WINDOWS_QT_BIN "Z:${qt_prefix}/${QT6_INSTALL_BINS}")
string(REPLACE "/" "\\" AMBREVALE_WINDOWS_PROGRAM_DIR "Z:${PROGRAM_DIR}")
string(REPLACE "/" "\\" AMBREVALE_WINDOWS_PLUGIN_PATH "Z:${qt_prefix}/${QT6_INSTALL_PLUGINS}")
