# bash completion for tessary: its two options and a *.mdl model to open.

_tessary() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local IFS=$'\n'
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W $'--help\n--version\n-h\n-V' -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X '!*.[mM][dD][lL]' -- "$cur"))
  compopt -o filenames 2>/dev/null
  return 0
}

complete -F _tessary tessary
