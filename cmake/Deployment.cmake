# Where the program finds its service. The defaults are the local demo
# deployment (scripts/demo-service.sh); a real deployment passes its own.
set(ORVANE_PRIMARY_API_BASE "https://localhost:18443" CACHE STRING "First API base URL (https://host[:port], no trailing slash)")
set(ORVANE_FALLBACK_API_BASE "https://127.0.0.1:18444" CACHE STRING "Fallback API base URL (https://IPv4[:port], no trailing slash)")
set(ORVANE_REPLY_KEY_PEM "${CMAKE_SOURCE_DIR}/tools/demo/demo-key.pem" CACHE FILEPATH "RSA private key (PEM) that opens the service's reply data")
