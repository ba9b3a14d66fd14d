# The reports the host writes to the cooler, as the simulator logs them (hex), for the
# scenario scripts of the command set and the worker.

# hexbytes DECIMAL...: the bytes as hex.
hexbytes() { printf '%02x' "$@"; }

# padded HEX: a 64-byte report, the given bytes then zeros.
padded()
{
    local hex=$1
    while [ ${#hex} -lt 128 ]; do hex+=0; done
    printf '%s' "$hex"
}

# repeat COUNT VALUE: the value COUNT times.
repeat() { local i; for ((i = 0; i < $1; i++)); do printf '%s ' "$2"; done; }

# The duty reports for 20..59 degrees, from the profile tables by hand.
balanced_pump()
{
    padded "72010100$(hexbytes $(repeat 11 60) $(seq 62 2 100) $(repeat 9 100))"
}
balanced_fans()
{
    padded "72020101$(hexbytes $(repeat 11 25) 27 29 31 33 35 38 41 44 47 50 54 58 62 66 70 \
        74 78 82 86 90 91 92 93 94 96 97 98 99 100)"
}
manual() { padded "$1$(hexbytes $(repeat 39 "$2") 100)"; }
