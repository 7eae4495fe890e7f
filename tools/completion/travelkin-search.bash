# bash completion for travelkin-search; installed as
# /usr/share/bash-completion/completions/travelkin-search.

_travelkin_search() {
  local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]}
  local options='--seconds --json --expect --host --watch --interval --save --compare
    --diagnose --help --version'
  COMPREPLY=()
  case $previous in
    --save|--compare)
      # Files, one reply a name even with blanks in it.
      local IFS=$'\n'
      compopt -o filenames 2>/dev/null
      COMPREPLY=($(compgen -f -- "$current"))
      return ;;
    -H|--host)
      if declare -F _known_hosts_real >/dev/null; then _known_hosts_real -- "$current"; fi
      return ;;
    -s|--seconds|-e|--expect|-i|--interval)
      return ;;   # a number of the user's choosing
  esac
  if [[ $current == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$current"))
  fi
}
complete -F _travelkin_search travelkin-search
