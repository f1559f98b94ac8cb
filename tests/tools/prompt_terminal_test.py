#!/usr/bin/env python3
"""quorl --repl driven through a pseudo-terminal, as a person types at it.

    tests/tools/prompt_terminal_test.py <quorl-binary>

Covers what a script on standard input cannot: line editing, Ctrl-C during
an evaluation and at the prompt, and the history kept from run to run.
Exits 0 when every step sees what it expects, 1 otherwise (with the
terminal's output so far).
"""
import os
import pty
import re
import select
import signal
import sys
import tempfile
import termios
import time

TIMEOUT = float(os.environ.get("PROMPT_TEST_TIMEOUT", "60"))
PROMPT = "quorl> "
CONTINUATION = "   ... "
CTRL_A, CTRL_B, CTRL_C, CTRL_D, CTRL_E = "\x01", "\x02", "\x03", "\x04", "\x05"
UP = "\x1b[A"
BACKSPACE = "\x7f"


class Failure(Exception):
    pass


class Terminal:
    """One quorl --repl on a pseudo-terminal."""

    def __init__(self, quorl, home, *args):
        self.output = ""
        self.seen = 0  # what earlier expectations consumed
        pid, fd = pty.fork()
        if pid == 0:
            env = dict(os.environ, HOME=home, TERM="xterm")
            os.execve(quorl, [quorl, "--repl", *args], env)
        self.pid, self.fd = pid, fd

    def read(self, timeout):
        ready, _, _ = select.select([self.fd], [], [], timeout)
        if not ready:
            return False
        try:
            data = os.read(self.fd, 65536)
        except OSError:
            return False
        if not data:
            return False
        self.output += data.decode("utf-8", "replace").replace("\r", "")
        return True

    def expect(self, pattern, what):
        """Waits for the pattern after what earlier expectations saw."""
        deadline = time.time() + TIMEOUT
        regex = re.compile(pattern, re.S)
        while True:
            found = regex.search(self.output, self.seen)
            if found:
                self.seen = found.end()
                return found
            left = deadline - time.time()
            if left <= 0 or not self.read(min(left, 0.5)) and self.exited():
                raise Failure(f"{what}: did not see {pattern!r}")

    def exited(self):
        pid, _ = os.waitpid(self.pid, os.WNOHANG)
        if pid == 0:
            return False
        self.pid = None
        return True

    def type(self, keys, running=False):
        """Types keys at the editor, or while an entry runs."""
        if not running:
            self.await_editor()
        os.write(self.fd, keys.encode())

    def await_editor(self):
        """Waits until the line editor has the terminal.  A key typed ahead,
        while the terminal is still in line mode, is taken by the terminal
        (its Ctrl-D is an end of file that the editor never sees), as with
        every program that edits lines."""
        deadline = time.time() + TIMEOUT
        while termios.tcgetattr(self.fd)[3] & termios.ICANON:
            if time.time() > deadline:
                raise Failure("the editor did not take the terminal")
            time.sleep(0.01)

    def enter(self, line, answer, what):
        """Types a line and waits for its answer and the next prompt."""
        self.type(line + "\r")
        self.expect(re.escape(answer) + r"\n" + re.escape(PROMPT), what)

    def wait(self):
        """The exit status, or a failure when quorl does not end in time."""
        deadline = time.time() + TIMEOUT
        while self.pid is not None:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid != 0:
                self.pid = None
                return os.waitstatus_to_exitcode(status)
            if time.time() > deadline:
                raise Failure("quorl did not end")
            self.read(0.1)  # keep the terminal drained so quorl can write
        return None

    def ends_cleanly(self, what):
        status = self.wait()
        if status != 0:
            raise Failure(f"{what}: exit status {status}, expected 0")

    def kill(self):
        if self.pid is not None:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
            self.pid = None


def first_session(quorl, home, program):
    t = Terminal(quorl, home, program)
    try:
        t.expect(r"Ctrl-D to leave\.\n" + re.escape(PROMPT), "banner")
        # The file's definitions are there.
        t.enter("area(6, 7)", "42", "a definition of the file")

        # Line editing: keys move the cursor and change the line in place.
        t.type("6*8" + CTRL_A + "(" + CTRL_E + ")-6\r")
        t.expect(r"\n42\n" + re.escape(PROMPT), "moving to the start and the end of the line")
        t.type("1+9" + BACKSPACE + "2" + CTRL_B + CTRL_B + "0\r")
        t.expect(r"\n12\n" + re.escape(PROMPT), "deleting and inserting in the middle")

        # Definitions, and one replacing another for the callers too.
        t.type("inc\\x\\x + 1\r")
        t.expect(re.escape(PROMPT), "a definition")
        t.type("twice\\x\\inc(inc x)\r")
        t.expect(re.escape(PROMPT), "a second definition")
        t.enter("twice 5", "7", "a call through a definition")
        t.type("inc\\x\\x * 10\r")
        t.expect(re.escape(PROMPT), "a definition replacing one")
        t.enter("twice 5", "500", "a caller sees the new definition")

        # A failure shows its box, and the session goes on.
        t.type("twice(nosuch)\r")
        t.expect(r"\[alive\].*nosuch.*\n" + re.escape(PROMPT), "a failure box")
        t.enter("twice 1", "100", "the session after a failure")

        # An open bracket continues on the next line.
        t.type("(1 +\r")
        t.expect(re.escape(CONTINUATION), "the continuation prompt")
        t.type("2) * 14\r")
        t.expect(r"\n42\n" + re.escape(PROMPT), "an entry over two lines")

        # Ctrl-C stops a long loop and returns to the prompt.
        t.type("loop\\n\\loop(n + 1)\r")
        t.expect(re.escape(PROMPT), "a looping definition")
        t.type("loop 0\r")
        time.sleep(0.3)
        t.type(CTRL_C, running=True)
        t.expect(r"Interrupted\.\n" + re.escape(PROMPT), "Ctrl-C in a long loop")
        t.enter("6 * 7", "42", "the session after Ctrl-C")

        # A constant cut short is computed again at its next use, not taken
        # for one that needs itself.
        t.type("forever\\loop 0\r")
        t.expect(re.escape(PROMPT), "a constant that never ends")
        for attempt in range(2):
            t.type("forever\r")
            time.sleep(0.3)
            t.type(CTRL_C, running=True)
            t.expect(r"Interrupted\.\n" + re.escape(PROMPT), f"Ctrl-C in a constant ({attempt + 1})")

        # Ctrl-C at the prompt drops the line being typed.
        t.type("garbage")
        t.expect("garbage", "the line typed")
        t.type(CTRL_C)
        t.expect(re.escape(PROMPT), "Ctrl-C at the prompt")
        t.enter("5", "5", "a line after Ctrl-C at the prompt")

        # A builtin waiting for input gives up on Ctrl-C too.
        t.type("getchar\r")
        time.sleep(0.3)
        t.type(CTRL_C, running=True)
        t.expect(r"Interrupted\.\n" + re.escape(PROMPT), "Ctrl-C while waiting for input")

        t.type("2 ^ 10\r")
        t.expect(r"\n1024\n" + re.escape(PROMPT), "the last line")
        t.type(CTRL_D)
        t.ends_cleanly("Ctrl-D")
    except Failure:
        print(t.output)
        raise
    finally:
        t.kill()


def second_session(quorl, home):
    history = os.path.join(home, ".quorl_history")
    if not os.path.isfile(history):
        raise Failure("no history file " + history)
    mode = os.stat(history).st_mode & 0o777
    if mode & 0o077:
        raise Failure(f"the history file can be read by others (mode {mode:o})")
    t = Terminal(quorl, home)
    try:
        t.expect(re.escape(PROMPT), "the prompt of a second run")
        # The line typed last in the first run comes back first.
        t.type(UP + "\r")
        t.expect(r"\n1024\n" + re.escape(PROMPT), "the history of the first run")
        t.type(":quit\r")
        t.ends_cleanly(":quit")
    except Failure:
        print(t.output)
        raise
    finally:
        t.kill()


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    quorl = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as home:
        program = os.path.join(home, "shapes.qrl")
        with open(program, "w") as f:
            f.write("main,\nmain\\a\\0,\narea\\w\\h\\w * h\n")
        try:
            first_session(quorl, home, program)
            second_session(quorl, home)
        except Failure as failure:
            print("FAILED:", failure)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
