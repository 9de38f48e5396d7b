# The Windows build: a static updater.exe that needs only Windows' own DLLs,
# and tests that CTest runs under Wine.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)
# Otherwise find_package(ZLIB) takes the import library, and the exe needs zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)

# nlohmann-json is header-only and the same for both builds, but its package
# adds /usr/include, whose C library headers break a Windows build: include it
# through a folder that holds only it.
set(UPDATER_NLOHMANN_DIR ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${UPDATER_NLOHMANN_DIR})
if(NOT EXISTS ${UPDATER_NLOHMANN_DIR}/nlohmann)
  file(CREATE_LINK /usr/include/nlohmann ${UPDATER_NLOHMANN_DIR}/nlohmann SYMBOLIC)
endif()
add_library(nlohmann_json INTERFACE)
add_library(nlohmann_json::nlohmann_json ALIAS nlohmann_json)
target_include_directories(nlohmann_json SYSTEM INTERFACE ${UPDATER_NLOHMANN_DIR})

# Tests run under Wine in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run ${CMAKE_BINARY_DIR}/wine)
