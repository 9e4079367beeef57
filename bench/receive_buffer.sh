#!/usr/bin/env bash
# How many 432-byte discovery answers a UDP receive buffer holds when they all arrive before
# the first is read, for the buffer a user without privileges gets under Debian's stock
# net.core.rmem_max (212992: the program asks for more and gets 2 x 212992), for one of
# 4 MiB (what a 4 MiB rmem_max gives an unprivileged user, doubled) and for the 8 MiB the
# discovery socket asks for when it may exceed the limit (SO_RCVBUFFORCE, doubled too).
#
#   bench/receive_buffer.sh [ANSWERS]     (default 5000; root, in a network namespace of its own)
#
# Asking with SO_RCVBUF for no more than rmem_max grants exactly what an unprivileged user
# gets with that limit, so the stock case is measured without touching the machine's sysctl.
set -euo pipefail
if [ -z "${QUARN_BENCH_IN_NETNS:-}" ]; then
  exec unshare -n env QUARN_BENCH_IN_NETNS=1 "$0" "$@"
fi
ip link set lo up
python3 - "${1:-5000}" <<'PYTHON'
import socket, sys
answers = int(sys.argv[1])
SO_RCVBUFFORCE = 33
def held(request, option):
    receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    receiver.setsockopt(socket.SOL_SOCKET, option, request)
    receiver.bind(("127.0.0.1", 0))
    granted = receiver.getsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF)
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.bind(("127.0.0.2", 0))
    answer = b":,." + bytes(429)
    for _ in range(answers):
        sender.sendto(answer, receiver.getsockname())
    receiver.setblocking(False)
    count = 0
    try:
        while True:
            receiver.recv(4096)
            count += 1
    except BlockingIOError:
        pass
    return granted, count
for label, request, option in (("stock rmem_max, unprivileged", 212992, socket.SO_RCVBUF),
                               ("rmem_max 4 MiB, unprivileged", 4 << 20, socket.SO_RCVBUF),
                               ("8 MiB forced (CAP_NET_ADMIN)", 8 << 20, SO_RCVBUFFORCE)):
    granted, count = held(request, option)
    print(f"{label:32s} granted {granted:9d} bytes  holds {count:5d} of {answers} answers")
PYTHON
