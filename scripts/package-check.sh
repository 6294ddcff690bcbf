#!/usr/bin/env bash
# Builds the Debian package and checks it as a person would use it: lintian finds no
# error; installed with dpkg, the programs on the PATH work for somebody who never
# ran them (a new home folder), the manual page is found, bash completes a command;
# removed again, it leaves nothing behind. The package is removed also when a check
# fails, so the machine is left as it was.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(bash scripts/package.sh | tail -1)
deb=$PWD/$deb
echo "Package: $deb"

as_root=()
if [[ $(id -u) -ne 0 ]]; then as_root=(sudo); fi

lintian --fail-on error --tag-display-limit 0 "$deb"

scratch=$(mktemp -d)
installed=0
cleanup() {
  if ((installed)); then "${as_root[@]}" dpkg -P tolm >/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

"${as_root[@]}" dpkg -i "$deb" >/dev/null
installed=1
files=$(dpkg -L tolm)

# A person's environment with nothing of this checkout or of an earlier run in it:
# the programs and their files must be found from /usr alone.
fresh() {
  env -i HOME="$scratch/home" PATH=/usr/bin:/bin LANG=C.UTF-8 TERM=dumb "$@"
}
mkdir "$scratch/home"
[[ $(fresh bash -c 'command -v tolm') == /usr/bin/tolm ]]
if ldd /usr/bin/tolm | grep -q "$PWD"; then
  echo "/usr/bin/tolm loads libraries of the build tree" >&2
  exit 1
fi
(
  cd "$scratch"
  fresh tolm --version
  fresh tolm --db "$scratch/c.db" init --demo
  fresh tolm --db "$scratch/c.db" rates
  # The catalogues come from /usr/share/tolm.
  if ! fresh tolm --lang en --db "$scratch/c.db" rates | grep -q "Reverse Rate"; then
    echo "tolm --lang en does not speak English: the installed catalogues were not found" >&2
    exit 1
  fi
)
# The server backend, the download, the file formats and the hashing of passwords
# are modules loaded when first used: the installed program finds them, and starts
# without their libraries.
if ldd /usr/bin/tolm | grep -Eq "libpq|libcurl|libzip|libxlsxwriter|libhpdf|libexpat|libsodium"; then
  echo "/usr/bin/tolm loads the server's, the network's, a file format's or the passwords' library at start" >&2
  exit 1
fi
server=$(fresh tolm --lang en --db "host=$scratch/no-server dbname=books" rates 2>&1 || true)
if [[ $server != *"database server"* || $server == *"cannot work with"* ]]; then
  echo "the installed tolm did not reach its server backend: $server" >&2
  exit 1
fi
feed=$(fresh tolm --lang en --db "$scratch/c.db" feed fetch --type 1 "http://127.0.0.1:9/rates.xml" 2>&1 || true)
if [[ $feed != *"cannot be reached"* ]]; then
  echo "the installed tolm did not reach its download module: $feed" >&2
  exit 1
fi
fresh tolm --db "$scratch/c.db" log export "$scratch/log.xlsx" >/dev/null
if [[ $(head -c 2 "$scratch/log.xlsx") != PK ]]; then
  echo "the installed tolm did not write a workbook through its formats module" >&2
  exit 1
fi
printf 'first secret\n' >"$scratch/password"
printf 'second secret\n' >"$scratch/new-password"
fresh tolm --db "$scratch/c.db" user add cashier --password-file "$scratch/password" >/dev/null
if ! fresh tolm --db "$scratch/c.db" --user cashier --password-file "$scratch/password" \
    user passwd cashier --password-file "$scratch/new-password" >/dev/null; then
  echo "the installed tolm did not check and hash a password through its passwords module" >&2
  exit 1
fi
# The installed plug-in served without anybody registering it.
if [[ -e $scratch/home/.config/tolm/classes.json ]]; then
  echo "the plug-in was registered in the new home folder instead of being found installed" >&2
  exit 1
fi

man -w tolm
man -w tolm-client
if ! fresh bash -c 'MANWIDTH=80 man tolm' | grep -q "tolm rate audit"; then
  echo "man tolm does not show the page of the installed program" >&2
  exit 1
fi

completion=$(fresh bash -c 'source /usr/share/bash-completion/completions/tolm
  COMP_WORDS=(tolm rate au); COMP_CWORD=2; _tolm; echo "${COMPREPLY[*]}"')
if [[ $completion != audit ]]; then
  echo "bash completes 'tolm rate au' to '$completion', not 'audit'" >&2
  exit 1
fi

"${as_root[@]}" dpkg -P tolm >/dev/null
installed=0
left=()
while IFS= read -r path; do
  # Folders the package shares with others (/usr/bin, ...) stay, its own go.
  if [[ -e $path && ! ( -d $path && -n $(ls -A "$path") ) ]]; then left+=("$path"); fi
done <<<"$files"
for own in /usr/lib/*/tolm /usr/share/tolm /usr/share/doc/tolm; do
  if [[ -e $own ]]; then left+=("$own"); fi
done
if ((${#left[@]} > 0)); then
  printf 'Left behind after removing the package: %s\n' "${left[@]}" >&2
  exit 1
fi
echo "Package check passed"
