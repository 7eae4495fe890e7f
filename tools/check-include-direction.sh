#!/usr/bin/env bash
# Folders depend in one direction: layout -> controls -> frame -> app. The platform layer sits
# beside them and may use only the Qt-free layout helpers; discovery stands alone; the tools use
# discovery and layout. An #include "folder/..." of a source folder that the including folder may
# not use is reported, as is a Qt header in the Qt-free folders and a POSIX system header in
# app/ (the system's own calls belong to platform/). Exit status 1 on any finding.
#
#   check-include-direction.sh [ROOT]   check ROOT (default: this checkout)
#   check-include-direction.sh --self-test   show that a bad include is caught
set -euo pipefail

source_folders="discovery layout controls frame platform app"

# The source folders that code under a path may include, the path's own folder included.
allowed_for() {
  case $1 in
    src/discovery/*) echo "discovery" ;;
    src/layout/*) echo "layout" ;;
    src/controls/*) echo "layout controls" ;;
    src/frame/*) echo "layout controls frame" ;;
    src/platform/*) echo "layout platform" ;;
    src/app/*) echo "discovery layout controls frame platform app" ;;
    tools/*) echo "discovery layout" ;;
    *) echo "" ;;
  esac
}

qt_free() {
  case $1 in
    src/discovery/* | src/layout/*) return 0 ;;
    *) return 1 ;;
  esac
}

# The POSIX headers, beyond what the C and C++ standard libraries have.
posix_header='^(sys|arpa|net|netinet|linux)/|^(unistd|fcntl|poll|ifaddrs|dlfcn|pthread|spawn|pwd|grp|dirent|termios|netdb|sched|semaphore|malloc|syslog|mntent|glob|fnmatch|wordexp|libgen|strings|utime)\.h$'

posix_free() {
  case $1 in
    src/app/*) return 0 ;;
    *) return 1 ;;
  esac
}

contains() {  # word, list...
  local word=$1; shift
  for w in "$@"; do [ "$w" = "$word" ] && return 0; done
  return 1
}

check_tree() {  # root; prints each finding, returns 1 if there was one
  local root=$1 status=0 file line text target folder
  # shellcheck disable=SC2086
  while IFS=: read -r file line text; do
    file=${file#./}
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([a-z]+)/ ]]; then
      folder=${BASH_REMATCH[1]}
      contains "$folder" $source_folders || continue
      # shellcheck disable=SC2046
      if ! contains "$folder" $(allowed_for "$file"); then
        echo "$file:$line: includes $folder/, against the direction of the folders"
        status=1
      fi
    elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]*|qt[a-z]*[./]) ]] && qt_free "$file"; then
      echo "$file:$line: includes a Qt header in a folder that builds without Qt"
      status=1
    elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^>]+)\> ]] \
         && [[ ${BASH_REMATCH[1]} =~ $posix_header ]] && posix_free "$file"; then
      echo "$file:$line: includes a POSIX header; the system's calls belong to platform/"
      status=1
    fi
  done < <(cd "$root" && grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' \
             '^[[:space:]]*#[[:space:]]*include' src tools 2>/dev/null | sort)
  return $status
}

self_test() {
  local tree
  tree=$(mktemp -d)
  trap 'rm -rf "$tree"' RETURN
  mkdir -p "$tree/src/layout" "$tree/src/controls" "$tree/src/discovery" "$tree/src/app"
  printf '#include "layout/LayoutRecords.h"\n' >"$tree/src/controls/Good.cpp"
  if ! check_tree "$tree" >/dev/null; then
    echo "self-test: a permitted include was reported"; return 1
  fi
  printf '#include "controls/BasicCtrl.h"\n' >"$tree/src/layout/Bad.cpp"
  if check_tree "$tree" >/dev/null; then
    echo "self-test: an include against the direction went unnoticed"; return 1
  fi
  rm "$tree/src/layout/Bad.cpp"
  printf '#include <QString>\n' >"$tree/src/discovery/Bad.cpp"
  if check_tree "$tree" >/dev/null; then
    echo "self-test: a Qt header in a Qt-free folder went unnoticed"; return 1
  fi
  rm "$tree/src/discovery/Bad.cpp"
  printf '#include <cstdio>\n#include <QString>\n' >"$tree/src/app/Good.cpp"
  if ! check_tree "$tree" >/dev/null; then
    echo "self-test: a standard header in app/ was reported"; return 1
  fi
  for header in unistd.h sys/socket.h arpa/inet.h; do
    printf '#include <%s>\n' "$header" >"$tree/src/app/Bad.cpp"
    if check_tree "$tree" >/dev/null; then
      echo "self-test: <$header> in app/ went unnoticed"; return 1
    fi
  done
  echo "self-test: bad includes are caught"
}

if [ "${1:-}" = "--self-test" ]; then
  self_test
else
  check_tree "${1:-$(cd "$(dirname "$0")/.." && pwd)}"
fi
