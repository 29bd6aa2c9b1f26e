# bash completion for kvs                                    -*- shell-script -*-
# Commands, options, the values of options that take names, and files where
# a file is asked for.

_kvs()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        search | demo | study)
            command=${COMP_WORDS[i]}
            break
            ;;
        esac
    done
    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W 'search demo study -h --help --version' -- "$cur"))
        return
    fi

    case $prev in
    --method)
        COMPREPLY=($(compgen -W 'auto dense tree described' -- "$cur"))
        return
        ;;
    --delimiter)
        COMPREPLY=($(compgen -W 'detect comma semicolon tab blank' -- "$cur"))
        return
        ;;
    --format)
        case $command in
        demo) COMPREPLY=($(compgen -W 'text json' -- "$cur")) ;;
        search) COMPREPLY=($(compgen -W 'text csv json rows' -- "$cur")) ;;
        *) COMPREPLY=($(compgen -W 'text csv json' -- "$cur")) ;;
        esac
        return
        ;;
    -o | --output | --export-series | --plot)
        compopt -o filenames
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    --scale)
        COMPREPLY=($(compgen -W 'auto' -- "$cur")) # or a number of the user's own
        return
        ;;
    -s | --size | --fraction | -j | --threads | --columns | --array | --client | --levels | --trials | --seed | \
        --length | --repeats)
        return # a number or a list of the user's own
        ;;
    esac

    local options
    case $command in
    search) options='-s --size --fraction -j --threads --method --columns --delimiter --header --no-header
                     --scale --array --format -o --output -q --quiet -h --help' ;;
    demo) options='--client --format --export-series -h --help' ;;
    study) options='--levels --trials --seed --length --repeats --size -j --threads --format --plot -q --quiet
                    -h --help' ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [[ $command == search ]]; then
        compopt -o filenames
        COMPREPLY=($(compgen -f -- "$cur"))
    elif [[ $command == demo ]]; then
        COMPREPLY=($(compgen -W 'pick: up down repeat restart search save:' -- "$cur"))
        [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *: ]] && compopt -o nospace
    fi
}
complete -F _kvs kvs
