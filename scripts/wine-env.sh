# Sourced with a build folder as its argument: exports that build's Wine
# environment (<build>/wine.env) and its prefix, ORVANE_WINEPREFIX or
# <build>/wineprefix. A variable already set in the caller's environment
# wins over the file, so ORVANE_WINE can be pointed at an emulator.
orvane_wine_env_file="$1/wine.env"
if [ ! -f "$orvane_wine_env_file" ]; then
  echo "wine-env: $orvane_wine_env_file is missing: configure the build first (scripts/build.sh)" >&2
  return 1 2>/dev/null || exit 1
fi
while IFS='=' read -r orvane_name orvane_value; do
  case "$orvane_name" in ''|'#'*) continue ;; esac
  if [ -z "${!orvane_name+set}" ]; then export "$orvane_name=$orvane_value"; fi
done < "$orvane_wine_env_file"
export WINEPREFIX="${ORVANE_WINEPREFIX:-$1/wineprefix}"
unset orvane_wine_env_file orvane_name orvane_value
