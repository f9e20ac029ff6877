# The Windows program: the check core, the thin window layer, the dialogs and
# the resources, linked statically into one GUI executable that lands in
# dist/win32 (i686) or dist/win64 (x86_64).
enable_language(RC)

# tools/release.sh names a folder of its own for its second build.
if(NOT READERCHECK_DIST_DIR)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        set(READERCHECK_DIST_DIR ${CMAKE_SOURCE_DIR}/dist/win64)
    else()
        set(READERCHECK_DIST_DIR ${CMAKE_SOURCE_DIR}/dist/win32)
    endif()
endif()

# One version number, the project's: the version block, the manifest's
# assemblyIdentity and the About text are made from it (app/version.h.in,
# app/app.manifest) into the build tree, where every resource script finds
# them.
set(READERCHECK_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(app/version.h.in ${READERCHECK_GENERATED_DIR}/version.h @ONLY)
configure_file(app/app.manifest ${READERCHECK_GENERATED_DIR}/readercheck.manifest @ONLY)
include_directories(${READERCHECK_GENERATED_DIR})

# Windows 7 API level for every Windows target.
set(READERCHECK_WINDOWS_DEFINITIONS _WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN)

# Hardening of everything in the program: a canary in every function with an
# array or an address taken (-fstack-protector-strong; the static libssp
# checks it, no DLL), and the checked forms of the C library's copies and
# formats where the size is known (_FORTIFY_SOURCE=2, which mingw-w64 takes).
# ASLR with relocations, DEP and (x86_64) high-entropy addresses are the
# linker's defaults; tools/pe_file.py hardening holds every link to them all.
set(READERCHECK_HARDENING_FLAGS -fstack-protector-strong -D_FORTIFY_SOURCE=2)
target_compile_options(readercheck_core PRIVATE ${READERCHECK_HARDENING_FLAGS})
target_link_options(readercheck_core INTERFACE -fstack-protector-strong)
# What every file of the program is compiled with.
set(READERCHECK_PROGRAM_FLAGS ${READERCHECK_CHARSET_FLAGS} ${READERCHECK_PRODUCT_FLAGS}
    ${READERCHECK_HARDENING_FLAGS})

# Adapters of the check's platform interfaces and the dialog framework.
add_library(readercheck_win32 STATIC
    win32/application.cpp
    win32/dialog.cpp
    win32/dialog_check_window.cpp
    win32/dialog_icon.cpp
    win32/dll_search.cpp
    win32/instance_mutex.cpp
    win32/service_control_manager.cpp
    win32/system_library_loader.cpp
    win32/system_version_query.cpp
    win32/thread.cpp
    win32/wide_text.cpp
)
target_compile_definitions(readercheck_win32 PUBLIC ${READERCHECK_WINDOWS_DEFINITIONS})
target_compile_options(readercheck_win32 PRIVATE ${READERCHECK_PROGRAM_FLAGS})
target_link_libraries(readercheck_win32 PUBLIC readercheck_core advapi32 user32 gdi32 kernel32)

add_executable(ReaderCheck WIN32
    app/main.cpp
    app/reader_check_app.cpp
    ui/about_dlg.cpp
    ui/check_procedure.cpp
    ui/check_thread.cpp
    ui/reader_check_dlg.cpp
    ui/unsupported_os.cpp
    app/app.rc
    ui/dialogs.rc
)
target_include_directories(ReaderCheck PRIVATE ${CMAKE_SOURCE_DIR}/app)
target_compile_options(ReaderCheck PRIVATE
    "$<$<COMPILE_LANGUAGE:CXX>:${READERCHECK_PROGRAM_FLAGS}>")
target_link_libraries(ReaderCheck PRIVATE readercheck_win32 comctl32)
# One file that runs on a bare Windows 7: no MinGW runtime DLLs, symbols stripped.
target_link_options(ReaderCheck PRIVATE -static -static-libgcc -static-libstdc++ -s)
# The same sources give the same bytes: the linker writes no time; the stamp
# made from the content follows, then the PE checksum (tools/pe_file.py says
# why).
target_link_options(ReaderCheck PRIVATE -Wl,--no-insert-timestamp)
add_custom_command(TARGET ReaderCheck POST_BUILD
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/pe_file.py stamp $<TARGET_FILE:ReaderCheck>
    VERBATIM)
set_target_properties(ReaderCheck PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${READERCHECK_DIST_DIR})
set_source_files_properties(app/app.rc PROPERTIES
    OBJECT_DEPENDS "${READERCHECK_GENERATED_DIR}/readercheck.manifest;${CMAKE_SOURCE_DIR}/app/icon/readercheck.ico")

# Fails the build when the program would need a DLL that Windows 7 lacks, or
# lacks one of its protections.
add_custom_command(TARGET ReaderCheck POST_BUILD
    COMMAND sh ${CMAKE_SOURCE_DIR}/tools/check-imports.sh $<TARGET_FILE:ReaderCheck>
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/pe_file.py hardening $<TARGET_FILE:ReaderCheck>
    VERBATIM)

option(READERCHECK_BENCH "Build the benchmark's timed tool and baseline program (tools/bench)" OFF)
if(READERCHECK_BENCH)
    add_subdirectory(tools/bench)
endif()

# The end-to-end test programs, for the e2e suite, the run command and the
# benchmark; the product build leaves them out.
option(READERCHECK_E2E "Also build the end-to-end test programs" OFF)
if(READERCHECK_E2E)
    add_subdirectory(e2e)
endif()
