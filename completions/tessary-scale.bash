# bash completion for tessary-scale: options, the values some of them take, and *.mdl files
# (and folders, to reach them) for inputs.

_tessary_scale() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  local IFS=$'\n'

  case $prev in
    -t | --target-directory)
      COMPREPLY=($(compgen -d -- "$cur"))
      return
      ;;
    --fit)
      COMPREPLY=($(compgen -W $'x=\ny=\nz=' -- "$cur"))
      compopt -o nospace 2>/dev/null
      return 0
      ;;
    -s | --scale | --suffix | -j | --jobs | --threads)
      COMPREPLY=()
      return
      ;;
  esac

  if [[ $cur == -* ]]; then
    local options=$'--scale=\n--fit=\n--target-directory=\n--suffix=\n--in-place\n--jobs=\n--threads=\n--info\n--json\n--progress\n--no-progress\n--verbose\n--help\n--version\n-s\n-t\n-i\n-j\n-v\n-h\n-V'
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
    if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]]; then
      compopt -o nospace 2>/dev/null
    fi
    return 0
  fi

  # Models, and folders to look for them in.
  COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X '!*.[mM][dD][lL]' -- "$cur"))
  compopt -o filenames 2>/dev/null
  return 0
}

complete -F _tessary_scale tessary-scale
