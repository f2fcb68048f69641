# Completion of the terminal link checker's options and targets for bash.
# Options are completed whole (-m:0, -s:1); targets are HTML files, batch
# files (.bchk), folders, and the word internet.

_vexalorn_cli() {
  local cur
  if declare -F _get_comp_words_by_ref >/dev/null 2>&1; then
    # ":" splits words in bash; take the word as the user typed it.
    _get_comp_words_by_ref -n : cur
  else
    cur=${COMP_WORDS[COMP_CWORD]}
    local before=${COMP_WORDS[COMP_CWORD - 1]:-}
    if [[ $cur == : && $before == -[ms] ]]; then
      cur=$before:
    elif [[ $before == : && $COMP_CWORD -ge 2 ]]; then
      cur=${COMP_WORDS[COMP_CWORD - 2]}:$cur
    fi
  fi

  COMPREPLY=()
  if [[ ${COMP_WORDS[COMP_CWORD - 1]:-} == --format ]]; then
    COMPREPLY=($(compgen -W 'text json' -- "$cur"))
    return
  fi
  case $cur in
    -*)
      COMPREPLY=($(compgen -W '-m:0 -m:1 -m:2 -s:0 -s:1 -i --https --format -h --help --version' -- "$cur"))
      # bash puts back only what follows the last ":" of the word.
      if [[ $cur == *:* ]]; then
        local i
        for i in "${!COMPREPLY[@]}"; do COMPREPLY[i]=${COMPREPLY[i]#*:}; done
      fi
      return
      ;;
  esac

  local name
  while IFS= read -r name; do
    if [[ -d $name ]]; then
      COMPREPLY+=("$name/")
    else
      case ${name,,} in
        *.htm | *.html | *.shtml | *.xhtml | *.bchk) COMPREPLY+=("$name") ;;
      esac
    fi
  done < <(compgen -f -- "$cur")
  COMPREPLY+=($(compgen -W 'internet' -- "$cur"))
  compopt -o filenames -o nospace 2>/dev/null
  # A finished file name gets its blank; a folder goes on.
  if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} != */ ]]; then
    compopt +o nospace 2>/dev/null
  fi
}

complete -F _vexalorn_cli vexalorn-cli
