#!/usr/bin/env bash
# Source files add subcommands to the driver on their own; two of one name
# would leave the second unreachable, and its tests would meet the other's
# usage. Every name must be taken once.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin driver_commands --no-exe

names=$(drv commands) || e2e_fail "the driver does not list its commands"
[ -n "$names" ] || e2e_fail "the driver lists no commands"
e2e_expect "subcommand names taken twice" "" "$(sort <<<"$names" | uniq -d)"
