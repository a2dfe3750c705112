#!/bin/sh
# Started by Linux desktops when the disc is mounted (the freedesktop autostart
# convention for removable media). The desktop runs it with /bin/sh, so it
# needs no execute bit; it starts the setup program that lies next to it, with
# no arguments (the launcher reads none).
exec "$(dirname "$0")/trenchmoor-setup"
