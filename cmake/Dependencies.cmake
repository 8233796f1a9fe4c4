# Imported static libraries from the dependency cache, each naming the
# libraries it needs after it, so any link line comes out in a working order.
set(deps ${ORVANE_DEPS_PREFIX})
set(mingw_root /usr/${triple})

function(orvane_import name archive)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${archive}
    INTERFACE_INCLUDE_DIRECTORIES "${ARGV2}" INTERFACE_LINK_LIBRARIES "${ARGV3}")
endfunction()

orvane_import(orvane_zlib ${mingw_root}/lib/libz.a "" "")
orvane_import(orvane_crypto ${deps}/lib/libcrypto.a ${deps}/include "ws2_32;crypt32;gdi32;advapi32;user32")
orvane_import(orvane_openssl ${deps}/lib/libssl.a ${deps}/include "orvane_crypto")
orvane_import(orvane_curl ${deps}/lib/libcurl.a ${deps}/include
  "orvane_openssl;orvane_zlib;ws2_32;crypt32;bcrypt;wldap32;normaliz")
set_target_properties(orvane_curl PROPERTIES INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB)
orvane_import(orvane_jsoncpp ${deps}/lib/libjsoncpp.a ${deps}/include "")

add_library(orvane_stb INTERFACE)
target_include_directories(orvane_stb SYSTEM INTERFACE /usr/include/stb)

orvane_import(orvane_gtest ${deps}/lib/libgtest.a ${deps}/include "")
orvane_import(orvane_gmock ${deps}/lib/libgmock.a ${deps}/include "orvane_gtest")
orvane_import(orvane_gtest_main ${deps}/lib/libgtest_main.a ${deps}/include "orvane_gmock")
