#!/bin/sh
# Installs the engines Ostrim's strength is measured against (Debian's
# glaurung, toga2 and stockfish packages, which land in /usr/games) and
# checks that each answers "uci" with "uciok". They are for measurement
# with `ostrim-tool match` only: no test and no CI run needs them.
set -eu

PEERS="glaurung toga2 stockfish"
DIR=/usr/games

missing=""
for peer in $PEERS; do
  [ -x "$DIR/$peer" ] || missing="$missing $peer"
done
if [ -n "$missing" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "installing:$missing"
  $sudo apt-get update
  # shellcheck disable=SC2086  # one word per package
  $sudo apt-get install -y $missing
fi

status=0
for peer in $PEERS; do
  reply=$(printf 'uci\nquit\n' | timeout 10 "$DIR/$peer" 2>/dev/null || true)
  name=$(printf '%s\n' "$reply" | sed -n 's/^id name //p' | head -n 1)
  if printf '%s\n' "$reply" | grep -q '^uciok'; then
    echo "$peer: $DIR/$peer answers uci ($name)"
  else
    echo "$peer: $DIR/$peer does not answer uci" >&2
    status=1
  fi
done
exit $status
