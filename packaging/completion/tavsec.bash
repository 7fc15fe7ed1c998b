# bash completion for tavsec. The commands and options come from tavsec's
# own --help, so that they always match the installed program.

# _tavsec_help WORDS...: the --help text of the command WORDS name.
_tavsec_help() {
  tavsec "$@" --help 2>/dev/null
}

_tavsec() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  # The command path typed so far: every word before the cursor that is a
  # subcommand of the path before it.
  local -a cmd=()
  local i word subs
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    [[ $word == -* ]] && continue
    subs=$(_tavsec_help "${cmd[@]}" | sed -n '/^Subcommands:/,/^$/s/^  \([a-z0-9-]*\) .*/\1/p')
    if grep -qx -- "$word" <<<"$subs"; then cmd+=("$word"); fi
  done
  if [[ $prev == --format ]]; then
    local formats
    formats=$(_tavsec_help "${cmd[@]}" | sed -n 's/.*--format[^:]*:\{0,1\}.*{\(.*\)}.*/\1/p' | tr ',' ' ')
    COMPREPLY=($(compgen -W "${formats:-text json}" -- "$cur"))
    return
  fi
  local help
  help=$(_tavsec_help "${cmd[@]}")
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u)" -- "$cur"))
    return
  fi
  subs=$(sed -n '/^Subcommands:/,/^$/s/^  \([a-z0-9-]*\) .*/\1/p' <<<"$help")
  if [[ -n $subs ]]; then
    COMPREPLY=($(compgen -W "$subs" -- "$cur"))
  else
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}
complete -o filenames -F _tavsec tavsec
