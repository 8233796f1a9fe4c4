# Imported static libraries from the dependency cache, with the Windows
# system libraries each one needs when linked statically.
set(deps ${ORVANE_DEPS_PREFIX})
set(mingw_root /usr/i686-w64-mingw32)

add_library(orvane_zlib INTERFACE)
target_include_directories(orvane_zlib SYSTEM INTERFACE ${mingw_root}/include)
target_link_libraries(orvane_zlib INTERFACE ${mingw_root}/lib/libz.a)

add_library(orvane_openssl INTERFACE)
target_include_directories(orvane_openssl SYSTEM INTERFACE ${deps}/include)
target_link_libraries(orvane_openssl INTERFACE ${deps}/lib/libssl.a ${deps}/lib/libcrypto.a
  ws2_32 crypt32 gdi32 advapi32 user32)

add_library(orvane_curl INTERFACE)
target_compile_definitions(orvane_curl INTERFACE CURL_STATICLIB)
target_link_libraries(orvane_curl INTERFACE ${deps}/lib/libcurl.a orvane_openssl orvane_zlib
  ws2_32 crypt32 bcrypt wldap32 normaliz)

add_library(orvane_jsoncpp INTERFACE)
target_include_directories(orvane_jsoncpp SYSTEM INTERFACE ${deps}/include)
target_link_libraries(orvane_jsoncpp INTERFACE ${deps}/lib/libjsoncpp.a)

add_library(orvane_stb INTERFACE)
target_include_directories(orvane_stb SYSTEM INTERFACE /usr/include/stb)

add_library(orvane_gtest INTERFACE)
target_include_directories(orvane_gtest SYSTEM INTERFACE ${deps}/include)
target_link_libraries(orvane_gtest INTERFACE ${deps}/lib/libgmock.a ${deps}/lib/libgtest.a)
add_library(orvane_gtest_main INTERFACE)
target_link_libraries(orvane_gtest_main INTERFACE ${deps}/lib/libgtest_main.a orvane_gtest)
