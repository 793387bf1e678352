# Warnings and sanitizers for every target of ours, applied through one interface library.
add_library(tavelo_options INTERFACE)
target_compile_options(tavelo_options INTERFACE -Wall -Wextra)
target_compile_definitions(tavelo_options INTERFACE
    TAVELO_VERSION="${PROJECT_VERSION}" QT_NO_KEYWORDS)
if(TAVELO_SANITIZE)
    target_compile_options(tavelo_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(tavelo_options INTERFACE -fsanitize=address,undefined)
endif()

# Precompiled headers: the standard and Qt headers nearly every file includes, parsed once per
# library instead of once per file (they are most of each file's compile time). A library
# takes the widest set its Qt modules allow: Core, then Gui, then Widgets. The warning says
# when a header cannot be used, which would silently give the time back.
set(TAVELO_PCH_0 <algorithm> <cstdint> <cstring> <functional> <memory> <string> <vector>
    <QByteArray> <QDir> <QFile> <QObject> <QString> <QTimer>)
set(TAVELO_PCH_1 ${TAVELO_PCH_0} <QImage> <QPainter>)
set(TAVELO_PCH_2 ${TAVELO_PCH_1} <QAction> <QApplication> <QDialog> <QLabel> <QPushButton>
    <QWidget>)
if(TAVELO_PRECOMPILE)
    target_compile_options(tavelo_options INTERFACE -Winvalid-pch)
endif()

# The header set (0, 1 or 2 above) for a target linking the given libraries.
function(tavelo_qt_tier out)
    set(tier 0)
    foreach(lib IN LISTS ARGN)
        set(t 0)
        if(lib MATCHES "^Qt6::(Widgets|PrintSupport)$")
            set(t 2)
        elseif(lib STREQUAL "Qt6::Gui")
            set(t 1)
        elseif(lib MATCHES "^tavelo_")
            get_target_property(t ${lib} TAVELO_QT_TIER)
        endif()
        if(t GREATER tier)
            set(tier ${t})
        endif()
    endforeach()
    set(${out} ${tier} PARENT_SCOPE)
endfunction()

# tavelo_library(<name> SOURCES ... LIBS ... [PRIVATE_LIBS ...]): the static library of the
# folder it is called from. Its headers are included as "<folder>/File.h", and only through a
# folder of links that holds this folder alone, so a file sees the folders of the libraries it
# links and no others: an include that reaches up or across the layers does not compile.
function(tavelo_library name)
    cmake_parse_arguments(L "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(include_root ${PROJECT_BINARY_DIR}/include/${folder})
    file(MAKE_DIRECTORY ${include_root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${include_root}/${folder} SYMBOLIC)
    add_library(${name} STATIC ${L_SOURCES})
    target_include_directories(${name} PUBLIC ${include_root})
    target_link_libraries(${name} PUBLIC tavelo_options ${L_LIBS} PRIVATE ${L_PRIVATE_LIBS})
    tavelo_qt_tier(tier ${L_LIBS})
    set_target_properties(${name} PROPERTIES TAVELO_QT_TIER ${tier})
    if(TAVELO_PRECOMPILE)
        target_precompile_headers(${name} PRIVATE ${TAVELO_PCH_${tier}})
    endif()
endfunction()

# tavelo_test(<name> SOURCES ... LIBS ...): one Qt Test executable registered with CTest.
function(tavelo_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} tavelo_test_options)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    if(TAVELO_PRECOMPILE)
        target_precompile_headers(${name} REUSE_FROM tavelo_test_pch)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENV}")
endfunction()
