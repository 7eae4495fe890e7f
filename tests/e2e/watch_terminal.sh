#!/usr/bin/env bash
# A watch on a terminal (a pseudo-terminal) that stops taking output while the devices appear.
# Stopped with Ctrl+S (the terminal's flow control, as a person pausing a scrolling screen),
# then going on with Ctrl+Q: every device arrives, one whole JSON line each, and SIGTERM ends
# the watch with status 0. A terminal that stops reading, its buffer full: SIGTERM still ends
# the watch, with status 0. Both times the terminal, whose open file the watch shares with its
# caller, is left blocking, as it was.
source "$(dirname "$0")/lib.sh"
command -v python3 >/dev/null || skip "needs python3 for the pseudo-terminal"

# Long texts: the devices' lines (some 900 KiB) overflow a terminal's buffer.
DEVICES=2000
LONG=$(printf 'x%.0s' {1..56})
net_up
add_addresses a 198.19.0.1 "$DEVICES"
start_sim a --first-address 198.19.0.1 --count "$DEVICES" --seconds 300 \
  --host "disk%d-$LONG" --product "P$LONG" --detail "D$LONG" --os-version "V$LONG"
python3 - "$TK_TESTNET" "$NET" "$TK_SEARCH" "$WORK" "$DEVICES" <<'EOF'
import fcntl, json, os, re, select, signal, subprocess, sys, termios, time

testnet, net, search, work, devices = sys.argv[1:]
devices = int(devices)
watches = []

def fail(why):
    print(f"FAIL: {why}", file=sys.stderr)
    for watch in watches:
        watch.process.kill()
    sys.exit(1)

def wait_until(seconds, what, check):
    deadline = time.monotonic() + seconds
    while not check():
        if time.monotonic() > deadline:
            fail(f"waited {seconds} s for {what}")
        time.sleep(0.05)

class Watch:
    def __init__(self, name):
        self.name = name
        self.master, self.terminal = os.openpty()
        mode = termios.tcgetattr(self.terminal)
        mode[0] = (mode[0] | termios.IXON) & ~termios.IXANY  # Ctrl+S stops, only Ctrl+Q goes on
        termios.tcsetattr(self.terminal, termios.TCSANOW, mode)
        self.log = f"{work}/watch-{name}.log"  # tells which devices the watch has heard
        self.err = open(f"{work}/watch-{name}.err", "w")
        # The watch's standard output and this script's descriptor share one open file.
        self.process = subprocess.Popen(
            [testnet, "exec", net, "search", search, "--watch", "--interval", "60"], stdin=subprocess.DEVNULL,
            stdout=self.terminal, stderr=self.err, env=dict(os.environ, TRAVELKIN_LOG=self.log))
        self.shown = b""
        watches.append(self)

    def read(self):  # lines the terminal has been sent so far
        while select.select([self.master], [], [], 0)[0]:
            self.shown += os.read(self.master, 65536)
        return self.shown.count(b"\n")

    def heard(self):  # devices the watch has heard of
        try:
            with open(self.log, "rb") as log:
                return len(set(re.findall(rb"Find Device ID : (dev\d+)", log.read())))
        except OSError:
            return 0

    def held(self):  # owes the terminal more than it holds (640 KiB at most), and sleeps
        try:
            with open(f"/proc/{self.process.pid}/wchan") as wchan:
                asleep = wchan.read() not in ("", "0")
        except OSError:
            return False
        return asleep and self.heard() >= devices * 3 // 4

    def ended(self):
        return self.process.poll() is not None

    def end(self, why):
        self.process.send_signal(signal.SIGTERM)
        wait_until(10, f"{self.name}: the watch to end on SIGTERM {why}", self.ended)
        self.err.close()
        if self.process.returncode != 0:
            said = [line for line in open(self.err.name) if line.startswith("travelkin-search:")]
            fail(f"{self.name}: the watch ended with status {self.process.returncode}: {''.join(said)}")
        if fcntl.fcntl(self.terminal, fcntl.F_GETFL) & os.O_NONBLOCK:
            fail(f"{self.name}: the watch left the terminal it shares non-blocking")

going_on = Watch("going-on")
wait_until(30, "the first devices on the terminal", lambda: going_on.read() >= 20)
os.write(going_on.master, b"\x13")  # Ctrl+S; nothing is read meanwhile
wait_until(30, "the watch to be held up by the stopped terminal", going_on.held)
os.write(going_on.master, b"\x11")  # Ctrl+Q
wait_until(60, "a line for every device heard", lambda: going_on.read() >= going_on.heard() or going_on.ended())
going_on.end("after the terminal went on")
going_on.read()
for line in going_on.shown.split(b"\r\n")[:-1]:
    try:
        json.loads(line)
    except ValueError:
        fail(f"a line is not whole JSON: {line[:300]!r}")
appeared = going_on.shown.count(b'"event": "appeared"')
if appeared != going_on.heard() or not going_on.shown.endswith(b"\r\n"):
    fail(f"{appeared} of {going_on.heard()} devices appeared, the last line: {going_on.shown[-300:]!r}")

unread = Watch("unread")  # its terminal is never read
wait_until(30, "the watch to be held up by the terminal", unread.held)
unread.end("while the terminal does not read")
EOF
echo "PASS"
