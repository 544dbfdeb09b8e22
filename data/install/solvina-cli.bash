# bash completion for solvina-cli: commands, their options, style names and top pages.
_solvina_cli() {
    local cur prev words cword
    _init_completion || return

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W 'list preview apply erase undo --help' -- "$cur"))
        return
    fi
    case $prev in
    --library)
        _filedir -d
        return
        ;;
    --out)
        _filedir
        return
        ;;
    --style)
        # The names come from the library this command line names, else the default one.
        local library=() i names
        for ((i = 2; i < cword - 1; i++)); do
            [[ ${words[i]} == --library ]] && library=(--library "${words[i + 1]}")
        done
        names=$("${words[0]}" list "${library[@]}" 2>/dev/null)
        local IFS=$'\n'
        COMPREPLY=($(compgen -W "$names" -- "$cur"))
        return
        ;;
    --markup)
        COMPREPLY=($(compgen -W 'table nav' -- "$cur"))
        return
        ;;
    --hierarchy)
        COMPREPLY=($(compgen -W 'order shortest' -- "$cur"))
        return
        ;;
    --format)
        COMPREPLY=($(compgen -W 'text json' -- "$cur"))
        return
        ;;
    --top-title | --header-link | --footer-link | --json-ld | --keep | --run | --max-pages | --max-level)
        return
        ;;
    esac

    local options
    case ${words[1]} in
    list) options='--library --verbose' ;;
    preview) options='--library --style --out --markup' ;;
    apply | erase)
        options='--library --style --no-top --bottom --rule --no-title-links --skip-top-page
                 --top-title --header-link --footer-link --markup --json-ld --hierarchy
                 --dry-run --format --keep --max-pages --max-level'
        ;;
    undo) options='--list --run --force' ;;
    *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ ${words[1]} == apply || ${words[1]} == erase || ${words[1]} == undo ]]; then
        _filedir
    fi
}
complete -F _solvina_cli solvina-cli
