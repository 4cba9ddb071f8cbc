# Bash completion for vantorb-cli: the commands, each command's options, the
# engines after --engine, programs and equation files (.PRV and .EQU, in any
# case) for FILE (programs only for eval, as an equation file has no
# definition), and any file after an option that names an output.

# Adds to COMPREPLY the files starting with $cur: with "operand", only
# programs, equation files and folders to look into; with "program", only
# programs and folders.
_vantorb_cli_files() {
  local item IFS=$'\n'
  for item in $(compgen -f -- "$cur"); do
    if [[ $1 == any || -d $item ]]; then
      COMPREPLY+=("$item")
      continue
    fi
    case $1:$item in
      *:*.[pP][rR][vV] | operand:*.[eE][qQ][uU]) COMPREPLY+=("$item") ;;
    esac
  done
  compopt -o filenames 2>/dev/null
}

_vantorb_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]-}
  local command= options= ended= operands=0 i
  COMPREPLY=()
  # With "=" among the word breaks, "--engine=de" comes as "--engine" "=" "de".
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = && $COMP_CWORD -ge 2 ]]; then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi

  for ((i = 1; i < COMP_CWORD; i++)); do
    if [[ -n $ended ]]; then
      operands=$((operands + 1))
      continue
    fi
    case ${COMP_WORDS[i]} in
      --) ended=1 ;;
      --limit | --engine | --bound | --token | --values | --csv | --vcd | -o | --output | --jobs)
        # and its value, after an "=" or not
        [[ ${COMP_WORDS[i + 1]-} == = ]] && i=$((i + 1))
        i=$((i + 1))
        ;;
      -?*) ;;
      *)
        if [[ -z $command ]]; then
          command=${COMP_WORDS[i]}
        else
          operands=$((operands + 1))
        fi
        ;;
    esac
  done

  if [[ -z $ended ]]; then
    case $prev in
      --engine)
        COMPREPLY=($(compgen -W "macro event dense reference" -- "$cur"))
        return
        ;;
      -o | --output | --csv | --vcd)
        _vantorb_cli_files any
        return
        ;;
      --limit | --bound | --token | --values | --jobs) return ;;
    esac
  fi

  case $command in
    "")
      COMPREPLY=($(compgen -W "info equations run eval graph trace sweep -h --help --version" -- "$cur"))
      return
      ;;
    info) options="-h --help" ;;
    equations | graph) options="-o --output -h --help" ;;
    run) options="--limit --engine --stats --check --values -h --help" ;;
    eval) options="--bound -h --help" ;;
    trace) options="--token --csv --vcd --limit -h --help" ;;
    sweep) options="--jobs --limit --engine --csv -h --help" ;;
    *) return ;;
  esac
  if [[ -z $ended && $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  elif ((operands == 0)); then
    if [[ $command == eval ]]; then
      _vantorb_cli_files program
    else
      _vantorb_cli_files operand
    fi
  fi
}

complete -F _vantorb_cli vantorb-cli
