# Where the program finds its service. The defaults are the local demo
# deployment (scripts/demo-service.sh); a real deployment passes its own.
set(ORVANE_PRIMARY_API_BASE "https://localhost:18443" CACHE STRING "First API base URL (https://host[:port], no trailing slash)")
set(ORVANE_FALLBACK_API_BASE "https://127.0.0.1:18444" CACHE STRING "Fallback API base URL (https://IPv4[:port], no trailing slash)")
set(ORVANE_REPLY_KEY_PEM "${CMAKE_SOURCE_DIR}/tools/demo/demo-key.pem" CACHE FILEPATH "RSA private key (PEM) that opens the service's reply data")

# What the program trusts. A build that sets none of these accepts any
# server certificate and starts any update it downloads; scripts/demo-trust.sh
# prints the demo deployment's values.
set(ORVANE_TLS_PINS "" CACHE STRING "SHA-256 public-key pins of the service's HTTPS hosts: sha256//BASE64[;sha256//BASE64...]")
set(ORVANE_CA_BUNDLE "" CACHE FILEPATH "PEM certificates compiled in: peers and host names are verified against them")
set(ORVANE_UPDATE_KEY "" CACHE FILEPATH "Ed25519 public key (PEM) whose signature every update must carry")
