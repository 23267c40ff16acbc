# bash completion for korlex-cli(1)

_korlex_cli_devices()
{
    # The ports (else the paths) that `korlex-cli list` shows.
    korlex-cli list 2>/dev/null | awk 'NR > 1 { print ($2 == "-" ? $1 : $2) }'
}

_korlex_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local globals="--device --all --wait --json --quiet --verbose --log --yes --help --version"
    local commands="list info upgrade pictures params curves clock factory-reset resource backup
        backups restore file"

    case $prev in
        --device)
            COMPREPLY=($(compgen -W "$(_korlex_cli_devices)" -- "$cur"))
            return ;;
        --wait|--restart-timeout|--slots)
            return ;;
        --log)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        --pictures-from)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        --unit)
            COMPREPLY=($(compgen -W "C F" -- "$cur"))
            return ;;
    esac

    # The command and its second word, past the global options and their values.
    local command="" word="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --device|--wait|--log|--slots|--unit|--restart-timeout|--pictures-from)
                ((i++)) ;;
            -*) ;;
            *)
                if [[ -z $command ]]; then
                    command=${COMP_WORDS[i]}
                elif [[ -z $word ]]; then
                    word=${COMP_WORDS[i]}
                    case $command in
                        pictures|params|curves|clock|resource) command="$command $word"; word="" ;;
                    esac
                fi ;;
        esac
    done

    local options=""
    case $command in
        upgrade) options="--force --dry-run --restart-timeout --no-backup --restore" ;;
        restore) options="--dry-run" ;;
        "pictures write") options="--slots --dry-run" ;;
        "curves get"|"curves set") options="--unit" ;;
        "resource save") options="--pictures --temp --power --pictures-from" ;;
        "resource load") options="--pictures --temp --power --dry-run" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$globals $options" -- "$cur"))
        return
    fi

    case $command in
        "") COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
        pictures) COMPREPLY=($(compgen -W "read write" -- "$cur")) ;;
        params|curves|clock) COMPREPLY=($(compgen -W "get set" -- "$cur")) ;;
        resource) COMPREPLY=($(compgen -W "save load" -- "$cur")) ;;
        upgrade|file) [[ -z $word ]] && COMPREPLY=($(compgen -f -- "$cur")) ;;
        backup|backups|restore) [[ -z $word ]] && COMPREPLY=($(compgen -d -- "$cur")) ;;
        "pictures read"|"pictures write") [[ -z $word ]] && COMPREPLY=($(compgen -d -- "$cur")) ;;
        "resource save"|"resource load") [[ -z $word ]] && COMPREPLY=($(compgen -f -- "$cur")) ;;
        "curves get"|"curves set") [[ -z $word ]] && COMPREPLY=($(compgen -W "temp power" -- "$cur")) ;;
        "params set")
            local keys="brightness= puff=" n
            for n in 1 2 3 4 5; do keys+=" coil$n= coil$n.value="; done
            COMPREPLY=($(compgen -W "$keys" -- "$cur"))
            compopt -o nospace 2>/dev/null ;;
    esac
}
complete -F _korlex_cli korlex-cli
