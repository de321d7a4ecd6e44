# fish completion for zav-remote

complete -c zav-remote -f
complete -c zav-remote -s h -l help -d 'Print the help and exit'
complete -c zav-remote -s v -l version -d 'Print the version and exit'
complete -c zav-remote -l status -d 'Print the link state in one line'
complete -c zav-remote -l connect -d 'Tell ZAV Manager to dial'
complete -c zav-remote -l disconnect -d 'Tell ZAV Manager to hang up'
complete -c zav-remote -l send -r -d 'Send a text message to ZAV Manager'
complete -c zav-remote -l watch -d 'Print a line at every change, until stopped'
complete -c zav-remote -l json -d 'Print JSON objects'
complete -c zav-remote -l format -x -a 'text json waybar line' -d 'How to print status and watch lines'
