"""Headless Chromium driven through its DevTools protocol, with the standard library only.

The browser takes the protocol on a pipe (--remote-debugging-pipe): it reads
commands from its file descriptor 3 and writes answers and events to 4, each
message JSON ended by a NUL byte. No port, no WebSocket library, no browser
but Debian's chromium.
"""
import argparse
import base64
import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--hide-scrollbars", "--remote-debugging-pipe"]


def chromium_command():
    return shutil.which("chromium")


def page_test_arguments():
    """The page tests' arguments (--chart14, --make-chart, --sample, --workdir,
    the folder made), or None and the exit code where chromium is missing: a
    failure in CI, which installs it, a skip (77) elsewhere."""
    parser = argparse.ArgumentParser()
    for option in ("--chart14", "--make-chart", "--sample", "--workdir"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    if chromium_command() is None:
        if os.environ.get("CI"):
            print("FAIL chromium is not installed; scripts/test.sh installs it (Debian package chromium)")
            return None, 1
        print("chromium not found (Debian package chromium): run scripts/install-deps.sh chromium")
        return None, 77
    os.makedirs(args.workdir, exist_ok=True)
    return args, 0


class ProtocolError(Exception):
    pass


class Browser:
    """One headless Chromium with one page, closed on exit from a `with` block."""

    def __init__(self, workdir, width=1400, height=900, timeout=120):
        self.timeout = timeout
        self.profile = tempfile.mkdtemp(dir=workdir, prefix="profile-")
        commands_read, self.commands = os.pipe()
        self.answers, answers_write = os.pipe()
        # Above the descriptors the browser wants them on, so that the
        # shell's moves do not close one before it is moved.
        commands_read, answers_write = (self.above(commands_read, 10), self.above(answers_write, 10))
        # bash puts the pipes on the descriptors the browser takes them on
        # (dash reads single-digit descriptors only).
        script = f'exec "$0" "$@" 3<&{commands_read} 4>&{answers_write} {commands_read}<&- {answers_write}>&-'
        self.process = subprocess.Popen(
            ["/bin/bash", "-c", script, chromium_command(), *FLAGS, "--user-data-dir=" + self.profile,
             f"--window-size={width},{height}", "about:blank"],
            pass_fds=(commands_read, answers_write), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(commands_read)
        os.close(answers_write)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        self.session = None
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        self.call("Page.enable")
        self.call("Runtime.enable")
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=1,
                  mobile=False)

    @staticmethod
    def above(fd, lowest):
        moved = fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, lowest)
        os.close(fd)
        return moved

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        try:
            self.send("Browser.close", {}, session=False)
        except OSError:
            pass
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        for fd in (self.commands, self.answers):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)

    def send(self, method, params, session=True):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session and self.session:
            message["sessionId"] = self.session
        data = json.dumps(message).encode() + b"\0"
        while data:
            data = data[os.write(self.commands, data):]
        return self.next_id

    def receive(self, deadline):
        """The next message from the browser."""
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.answers], [], [], left)[0]:
                raise ProtocolError("the browser did not answer in time")
            chunk = os.read(self.answers, 1 << 20)
            if not chunk:
                raise ProtocolError("the browser closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, **params):
        """Sends a command and waits for its answer; events met on the way are kept."""
        wanted = self.send(method, params)
        deadline = time.monotonic() + self.timeout
        while True:
            message = self.receive(deadline)
            if message.get("id") == wanted:
                if "error" in message:
                    raise ProtocolError(f"{method}: {message['error']}")
                return message.get("result", {})
            self.events.append(message)

    def wait_event(self, method):
        deadline = time.monotonic() + self.timeout
        for i, event in enumerate(self.events):
            if event.get("method") == method:
                return self.events.pop(i)
        while True:
            message = self.receive(deadline)
            if message.get("method") == method:
                return message
            self.events.append(message)

    def open(self, path):
        """Loads a local file and waits for its load event."""
        self.events = [e for e in self.events if e.get("method") != "Page.loadEventFired"]
        self.call("Page.navigate", url="file://" + os.path.abspath(path))
        self.wait_event("Page.loadEventFired")

    def evaluate(self, expression):
        """The value of a script expression (a promise is awaited); script errors raise."""
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            raise ProtocolError(details.get("exception", {}).get("description") or details.get("text"))
        return result["result"].get("value")

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(path, "wb") as out:
            out.write(base64.b64decode(data))

    def mouse(self, kind, x, y, **extra):
        self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, **extra)

    def touch(self, kind, points):
        self.call("Input.dispatchTouchEvent", type=kind,
                  touchPoints=[{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)])
