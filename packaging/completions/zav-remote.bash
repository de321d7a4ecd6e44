# bash completion for zav-remote

_zav_remote() {
    local cur prev
    COMPREPLY=()
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case $prev in
        --send)
            return 0
            ;;
        --format)
            COMPREPLY=($(compgen -W 'text json waybar line' -- "$cur"))
            return 0
            ;;
    esac
    COMPREPLY=($(compgen -W '--help --version --status --connect --disconnect --send --watch
                             --json --format' -- "$cur"))
}
complete -F _zav_remote zav-remote
