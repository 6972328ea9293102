"""What the end-to-end suites share, the Linux one (tests/posix) and the
Windows one under Wine (tests/wine): waiting for an effect, a free port,
and screen files."""
import os
import socket
import time

TIMEOUT = 30  # seconds for anything the program should do by itself; sanitizer builds are slow


def wait_for(condition, what, timeout=TIMEOUT):
    """Polls `condition` until it gives a true value, which it returns;
    fails naming `what` once `timeout` seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)


def free_port():
    """A loopback TCP port nobody listens on right now."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def screen(name, items, flag=None):
    """A screen file: `items` (the XML of its items and actions) under
    `name`, shown only while `flag` is set when one is given."""
    required = f"<requireflag>{flag}</requireflag>" if flag else ""
    return f"<screen><name>{name}</name>{required}\n{items}</screen>\n"


def value_rows(varids, width, refresh):
    """One plugintext item a row from the top, `width` cells wide,
    refreshed every `refresh` ms, for each variable of `varids`."""
    return "".join(f'<item type="plugintext" x="0" y="{row}"><fieldsize>{width}</fieldsize><refresh>{refresh}</refresh>'
                   f"<varid>{varid}</varid></item>\n" for row, varid in enumerate(varids))


def next_screen(delay):
    """The action that moves on to the next screen after `delay` ms."""
    return f"<action><id>Core.NextScreen</id><delay>{delay}</delay></action>"


def screen_files(**screens):
    """A screens folder's files: each screen given as file=text (the file
    "<file>.xml"), and the screens.xml that lists them in that order."""
    listed = "".join(f"<screenfile>{name}.xml</screenfile>\n" for name in screens)
    files = {"screens.xml": f"<screens>\n{listed}</screens>\n"}
    files.update((name + ".xml", text) for name, text in screens.items())
    return files


def write_files(folder, files):
    """Writes each name: text of `files` below `folder`, making folders."""
    for name, text in files.items():
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as out:
            out.write(text)
