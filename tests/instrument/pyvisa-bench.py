#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""pyvisa-py (a VISA library engineers use) reads the virtual bench as it
reads a LAN instrument: its *IDN? and a frequency measurement of a board
whose tone this script switched on over the board's own line."""
import os
import subprocess
import sys
import termios
import tty

import pyvisa


def board_command(fd, command):
    os.write(fd, command.encode() + b"\n")
    reply = b""
    while not reply.endswith(b"OK!\n") and not reply.endswith(b"error!\n"):
        chunk = os.read(fd, 256)
        if not chunk:
            break
        reply += chunk
    return reply.decode(errors="replace")


def main():
    bench = subprocess.Popen([sys.argv[1], "--instrument", "0"], stdout=subprocess.PIPE, text=True)
    try:
        path = bench.stdout.readline().strip()
        url = bench.stdout.readline().strip()
        port = url.rsplit(":", 1)[1]
        fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(fd, termios.TCSANOW)
        for command in ("kel connect", "kel enable_phy", "kel channel 2GHZ 6", "kel tone"):
            assert "OK" in board_command(fd, command), command

        manager = pyvisa.ResourceManager("@py")
        instrument = manager.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET")
        instrument.read_termination = "\n"
        instrument.write_termination = "\n"
        instrument.timeout = 5000
        identity = instrument.query("*IDN?").split(",")
        assert len(identity) == 4 and identity[1] == "Virtual Bench", identity
        instrument.write("ROUT:CLOS (@1)")
        hertz = float(instrument.query("MEAS:FREQ?"))
        assert abs(hertz - 2437e6) < 2437e6 * 60e-6, hertz
        assert instrument.query("SYST:ERR?").startswith("+0"), "error queue not empty"
        instrument.close()
        manager.close()
        os.close(fd)
        print(f"pyvisa-py: {','.join(identity)}; tone at {hertz:.0f} Hz")
    finally:
        bench.terminate()
        bench.wait(10)


if __name__ == "__main__":
    main()
