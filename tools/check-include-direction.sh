#!/usr/bin/env bash
# Folders depend in one direction: os -> layout -> controls -> frame -> app. The system layer
# (os/) is at the bottom and includes nothing of ours; every folder may use it. The platform
# layer sits beside the window's folders and may use only os/ and the Qt-free layout helpers;
# discovery uses only os/; the tools use os/, discovery and layout; a test may use any. An
# #include "folder/..." of a source folder that the including folder may not use is reported,
# as is a Qt header in the Qt-free folders, and a system header (POSIX or Win32) outside the files that are per system:
# src/os/, src/platform/{linux,win,none}/, and in tools/ and tests/ a linux/, win/ or none/
# folder; so is a question of which system the file is built for (#ifdef _WIN32) outside those
# files. Exit status 1 on any finding.
#
#   check-include-direction.sh [ROOT]   check ROOT (default: this checkout)
#   check-include-direction.sh --self-test   show that a bad include is caught
set -euo pipefail

source_folders="os discovery layout controls frame platform app"

# The source folders that code under a path may include, the path's own folder included.
allowed_for() {
  case $1 in
    src/os/*) echo "os" ;;
    src/discovery/*) echo "os discovery" ;;
    src/layout/*) echo "os layout" ;;
    src/controls/*) echo "os layout controls" ;;
    src/frame/*) echo "os layout controls frame" ;;
    src/platform/*) echo "os layout platform" ;;
    src/app/*) echo "os discovery layout controls frame platform app" ;;
    tools/*) echo "os discovery layout" ;;
    tests/*) echo "$source_folders" ;;  # a test may reach any folder
    *) echo "" ;;
  esac
}

qt_free() {
  case $1 in
    src/os/* | src/discovery/* | src/layout/*) return 0 ;;
    *) return 1 ;;
  esac
}

# The system headers, beyond what the C and C++ standard libraries have: POSIX and Linux's,
# then Win32's (any case: <Windows.h> is the same file there).
posix_header='^(sys|arpa|net|netinet|linux)/|^(unistd|fcntl|poll|ifaddrs|dlfcn|pthread|spawn|pwd|grp|dirent|termios|netdb|sched|semaphore|malloc|syslog|mntent|glob|fnmatch|wordexp|libgen|strings|utime|signal)\.h$'
win32_header='^(windows|windowsx|winsock|winsock2|ws2tcpip|ws2def|mswsock|iphlpapi|iptypes|ifdef|netioapi|winnetwk|winbase|winuser|wingdi|winreg|winerror|winnt|winternl|winver|shellapi|shlobj|shlwapi|shobjidl|objbase|ole2|combaseapi|commctrl|commdlg|dwmapi|uxtheme|lm|lmcons|lmshare|tlhelp32|psapi|processthreadsapi|synchapi|fileapi|handleapi|io|direct|process|conio|wtsapi32|userenv|knownfolders|versionhelpers|sddl|aclapi|accctrl|mmsystem|tchar)\.h$'

# The files that are per system, and so may include the system's headers.
per_system() {
  case $1 in
    src/os/* | src/platform/linux/* | src/platform/win/* | src/platform/none/*) return 0 ;;
    tools/*/linux/* | tools/*/win/* | tools/*/none/*) return 0 ;;
    tests/*/linux/* | tests/*/win/* | tests/*/none/*) return 0 ;;
    *) return 1 ;;
  esac
}

system_header() {  # header name between the angle brackets
  local lower
  lower=$(printf '%s' "$1" | tr '[:upper:]' '[:lower:]')
  [[ $1 =~ $posix_header || $lower =~ $win32_header ]]
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
         && ! per_system "$file" && system_header "${BASH_REMATCH[1]}"; then
      echo "$file:$line: includes a system header; the system's calls belong to os/ (or platform/ with Qt) or a linux/ or win/ folder"
      status=1
    elif [[ $text =~ ^[[:space:]]*#[[:space:]]*(if|ifdef|ifndef|elif).*(_WIN32|Q_OS_WIN|__linux__|Q_OS_LINUX) ]] \
         && ! per_system "$file"; then
      echo "$file:$line: asks which system it is built for; that choice belongs to the per-system files"
      status=1
    fi
  done < <(cd "$root" && grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' \
             '^[[:space:]]*#[[:space:]]*(include|if|ifdef|ifndef|elif)' src tools tests 2>/dev/null | sort)
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
  for folder in src/app src/discovery src/layout src/platform tools/search tests/app tests/platform; do
    mkdir -p "$tree/$folder"
    for header in unistd.h sys/socket.h arpa/inet.h windows.h Windows.h winsock2.h; do
      printf '#include <%s>\n' "$header" >"$tree/$folder/Bad.cpp"
      if check_tree "$tree" >/dev/null; then
        echo "self-test: <$header> in $folder/ went unnoticed"; return 1
      fi
    done
    for test in '#ifdef _WIN32' '#if defined(_WIN32)' '#ifndef _WIN32' '#if defined(Q_OS_WIN)' '#elif defined(__linux__)'; do
      printf '%s\n#endif\n' "$test" >"$tree/$folder/Bad.cpp"
      if check_tree "$tree" >/dev/null; then
        echo "self-test: \"$test\" in $folder/ went unnoticed"; return 1
      fi
    done
    rm "$tree/$folder/Bad.cpp"
  done
  for folder in src/os src/os/linux src/os/win src/platform/linux src/platform/win tools/devsim/win tools/search/linux tests/discovery/linux tests/platform/win; do
    mkdir -p "$tree/$folder"
    printf '#include <windows.h>\n#include <sys/socket.h>\n#ifdef _WIN32\n#endif\n' >"$tree/$folder/Good.cpp"
  done
  printf '#include "os/LocalFile.h"\n' >"$tree/src/layout/Good.cpp"
  printf '#include "os/SocketPlatform.h"\n' >"$tree/src/discovery/Good.cpp"
  if ! check_tree "$tree" >/dev/null; then
    echo "self-test: a system header in a per-system file, or os/ from above, was reported"; return 1
  fi
  printf '#include "discovery/DiagnosticLog.h"\n' >"$tree/src/os/Bad.cpp"
  if check_tree "$tree" >/dev/null; then
    echo "self-test: os/ including a folder of ours went unnoticed"; return 1
  fi
  echo "self-test: bad includes are caught"
}

if [ "${1:-}" = "--self-test" ]; then
  self_test
else
  check_tree "${1:-$(cd "$(dirname "$0")/.." && pwd)}"
fi
