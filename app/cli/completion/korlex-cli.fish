# fish completion for korlex-cli(1)

function __korlex_cli_devices
    korlex-cli list 2>/dev/null | awk 'NR > 1 { print ($2 == "-" ? $1 : $2) }'
end

set -l commands list info upgrade pictures params curves clock factory-reset resource backup backups restore file
complete -c korlex-cli -f
complete -c korlex-cli -n "not __fish_seen_subcommand_from $commands" -a "$commands"
complete -c korlex-cli -n "__fish_seen_subcommand_from pictures" -a "read write"
complete -c korlex-cli -n "__fish_seen_subcommand_from params curves clock" -a "get set"
complete -c korlex-cli -n "__fish_seen_subcommand_from resource" -a "save load"
complete -c korlex-cli -n "__fish_seen_subcommand_from curves" -a "temp power"
complete -c korlex-cli -n "__fish_seen_subcommand_from upgrade file resource" -F
complete -c korlex-cli -n "__fish_seen_subcommand_from pictures backup backups restore" -a "(__fish_complete_directories)"

complete -c korlex-cli -l device -x -a "(__korlex_cli_devices)" -d "the device: port, path or serial number"
complete -c korlex-cli -l all -d "every plugged device at once"
complete -c korlex-cli -l wait -x -d "wait up to SECONDS for a device"
complete -c korlex-cli -l json -d "one JSON document"
complete -c korlex-cli -l quiet -d "no progress, no informational lines"
complete -c korlex-cli -s v -l verbose -d "phases with times; -vv frames"
complete -c korlex-cli -l log -r -F -d "append a transcript"
complete -c korlex-cli -s y -l yes -d "do not ask"
complete -c korlex-cli -s h -l help -d "help"
complete -c korlex-cli -s V -l version -d "version"
complete -c korlex-cli -l dry-run -d "every check, nothing sent"
complete -c korlex-cli -l force -d "send to a boot loader that does not name its device"
complete -c korlex-cli -l restart-timeout -x -d "seconds to wait for the restart"
complete -c korlex-cli -l slots -x -d "picture slots, as 1,3,5-7"
complete -c korlex-cli -l unit -x -a "C F" -d "temperature unit"
complete -c korlex-cli -l pictures -d "the pictures section"
complete -c korlex-cli -l temp -d "the temperature section"
complete -c korlex-cli -l power -d "the power section"
complete -c korlex-cli -l pictures-from -x -a "(__fish_complete_directories)" -d "pictures from a folder"
complete -c korlex-cli -l no-backup -d "upgrade without a backup first"
complete -c korlex-cli -l restore -d "restore the backup after the upgrade"
