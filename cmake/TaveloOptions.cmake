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

# tavelo_library(<name> [ONLY stem...] [EXCLUDE stem...] LIBS ...): one static library from
# the source files of a folder: all of them, only the named ones, or all but the named ones
# (a stem names both its .cpp and its .h), so that one folder can hold two layers.
function(tavelo_library name)
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    cmake_parse_arguments(L "" "" "LIBS;ONLY;EXCLUDE" ${ARGN})
    if(L_ONLY OR L_EXCLUDE)
        set(kept)
        foreach(source ${sources})
            get_filename_component(stem ${source} NAME_WE)
            if((L_ONLY AND NOT stem IN_LIST L_ONLY) OR stem IN_LIST L_EXCLUDE)
                continue()
            endif()
            list(APPEND kept ${source})
        endforeach()
        set(sources ${kept})
    endif()
    if(NOT sources MATCHES "\\.cpp")
        # A folder whose code has not been written yet still links.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE tavelo_options ${L_LIBS})
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC tavelo_options ${L_LIBS})
endfunction()

# tavelo_test(<name> SOURCES ... LIBS ...): one Qt Test executable registered with CTest.
function(tavelo_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test tavelo_options)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENV}")
endfunction()
