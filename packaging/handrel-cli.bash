# bash completion for handrel-cli: options, commands, and files for the
# arguments that name desktop files.
_handrel_cli() {
    local cur prev words cword
    _init_completion || return
    local commands="screenshot record watch stats ls get put cp mv rm mkdir rmdir ren clip dos ps activate kill details sysinfo discover"
    case $prev in
        --host | --ssh) return ;;
        --device) COMPREPLY=($(compgen -W "virtual linux" -- "$cur")); return ;;
        --sensitivity) COMPREPLY=($(compgen -W "0 1 2" -- "$cur")); return ;;
        --root) _filedir -d; return ;;
        --settings) _filedir; return ;;
    esac
    local i command=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --host | --ssh | --device | --root | --sensitivity | --settings) ((i++)) ;;
            -*) ;;
            *) command=${words[i]}; break ;;
        esac
    done
    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "--host --ssh --local --device --root --sensitivity --log --settings --no-screen-extension --help" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi
    case $command in
        clip) ((cword == i + 1)) && COMPREPLY=($(compgen -W "get set" -- "$cur")) ;;
        cp | mv | kill) [[ $cur == -* ]] && COMPREPLY=($(compgen -W "--yes" -- "$cur")) || _filedir ;;
        dos) [[ $cur == -* ]] && COMPREPLY=($(compgen -W "-c" -- "$cur")) ;;
        screenshot | record | ls | get | put | rm | mkdir | rmdir | ren) _filedir ;;
    esac
}
complete -F _handrel_cli handrel-cli
