"""The Debian package as a user gets it: lintian finds no errors, and the
program unpacked into a scratch root prepares a working directory with
`glancer init` and shows the demo there. The program finds its plugins and
examples relative to its own path, so the scratch root stands in for /."""
import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "posix"))
import harness  # noqa: E402
import panel  # noqa: E402

DEB = None
SHIPPED = []  # every plugin the build installs
TITLE = "Glancer demo"


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=300, **kwargs)


class Package(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="glancer-root-")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        self.assertEqual(run("dpkg-deb", "-x", DEB, self.root).returncode, 0)
        self.home = os.path.join(self.root, "home", "user")
        os.makedirs(self.home)
        self.env = dict(os.environ, HOME=self.home, GLANCER_REGISTRY=os.path.join(self.home, "registry.reg"))
        self.work = os.path.join(self.home, ".local", "share", "glancer")
        self.plugins = os.path.join(self.root, "usr", "lib", "glancer", "plugins")

    def glancer(self, *args, cwd=None):
        return run(os.path.join(self.root, "usr", "bin", "glancer"), *args, cwd=cwd or self.home, env=self.env)

    def test_lintian_reports_no_errors(self):
        result = run("lintian", "--tag-display-limit", "0", DEB)
        print(result.stdout, result.stderr, file=sys.stderr)
        self.assertEqual([line for line in result.stdout.splitlines() if line.startswith("E:")], [])

    def test_installs_where_users_and_plugin_authors_look(self):
        files = {os.path.relpath(os.path.join(d, f), self.root) for d, _, fs in os.walk(self.root) for f in fs}
        expected = {"usr/bin/glancer", "usr/include/glancer/glancer_plugin.h",
                    "usr/include/glancer/glancer_plugin.hpp", "usr/include/glancer/glancer_plugin_detail.hpp",
                    "usr/include/glancer/glancer_settings.hpp", "usr/include/glancer/glancer_kit.hpp",
                    "usr/share/pkgconfig/glancer-plugin.pc",
                    "usr/share/cmake/GlancerPlugin/GlancerPluginConfig.cmake",
                    "usr/share/cmake/GlancerPlugin/GlancerPluginConfigVersion.cmake",
                    "usr/share/man/man1/glancer.1.gz", "usr/share/doc/glancer/copyright",
                    "usr/share/glancer/examples/demo/screens/screens.xml",
                    "usr/share/glancer/examples/plugin-template/CMakeLists.txt",
                    "usr/lib/systemd/user/glancer.service"}
        expected |= {"usr/lib/glancer/plugins/" + name for name in SHIPPED}
        self.assertEqual(expected - files, set())
        with open(os.path.join(self.root, "usr/lib/systemd/user/glancer.service")) as unit:
            self.assertIn("ExecStart=/usr/bin/glancer\n", unit.read())
        depends = run("dpkg-deb", "-f", DEB, "Depends").stdout
        self.assertIn("libc6", depends)
        self.assertIn("libsensors5", depends)

    def test_init_then_use_driver_shows_the_demo(self):
        result = self.glancer("init")
        self.assertEqual(result.returncode, 0, result.stderr)
        for name in SHIPPED:
            self.assertEqual(os.readlink(os.path.join(self.work, name)), os.path.join(self.plugins, name))
            self.assertIn(f"Linked {name} -> ", result.stdout)
        self.assertIn(f'cd {self.work} && glancer use-driver "Virtual display" && glancer', result.stdout)
        self.assertEqual(self.glancer("use-driver", "Virtual display", cwd=self.work).returncode, 0)

        snapshot = os.path.join(self.work, "panel.pbm")
        with open(self.env["GLANCER_REGISTRY"], "a") as registry:
            registry.write(harness.registry_text({"Snapshot": snapshot}, "VirtualDisplay").split("\n", 1)[1])
        process = subprocess.Popen([os.path.join(self.root, "usr", "bin", "glancer")], cwd=self.work, env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.addCleanup(lambda: process.poll() is not None or process.kill())
        panel.load_font()

        def title_shown():
            pixels = panel.read_pbm(snapshot) if os.path.exists(snapshot) else None
            return pixels is not None and panel.find_text(pixels, TITLE) is not None

        harness.wait_for(title_shown, "the demo's title in the snapshot")
        status, _, err = harness.stop(process)
        self.assertEqual((status, err), (0, ""))

    def test_init_never_replaces_a_users_files(self):
        self.assertEqual(self.glancer("init").returncode, 0)
        welcome = os.path.join(self.work, "screens", "welcome.xml")
        with open(welcome, "w") as edited:
            edited.write("<screen><name>Mine</name></screen>\n")
        os.remove(os.path.join(self.work, "demo.so"))
        with open(os.path.join(self.work, "demo.so"), "w") as own:
            own.write("my own build")
        os.remove(os.path.join(self.work, "screens", "logo.bmp"))

        again = self.glancer("init", self.work)
        self.assertEqual(again.returncode, 0, again.stderr)
        self.assertIn(f"Left alone: {welcome} (differs from the example)", again.stdout)
        self.assertIn("Left alone: " + os.path.join(self.work, "demo.so") + " (not a link to ", again.stdout)
        self.assertIn("0 plugin(s) linked, 1 example file(s) copied", again.stdout)
        with open(welcome) as kept, open(os.path.join(self.work, "demo.so")) as own:
            self.assertEqual((kept.read(), own.read()), ("<screen><name>Mine</name></screen>\n", "my own build"))

        # A directory that cannot be made (a file is in the way) is an error, and nothing is touched.
        blocked = self.glancer("init", os.path.join(welcome, "sub"))
        self.assertEqual(blocked.returncode, 1)
        self.assertIn("glancer: cannot create the directory " + os.path.join(welcome, "sub"), blocked.stderr)

        # A directory the user may not write to: reported, exit status 1 (root runs it as nobody).
        os.chmod(self.root, 0o755)
        screens = os.path.join(self.work, "screens")
        os.remove(os.path.join(screens, "logo.bmp"))
        os.chmod(screens, 0o555)
        self.addCleanup(os.chmod, screens, 0o755)
        user = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] if os.geteuid() == 0 else []
        refused = run(*user, os.path.join(self.root, "usr", "bin", "glancer"), "init", self.work, env=self.env)
        self.assertEqual(refused.returncode, 1, refused.stdout)
        self.assertIn("glancer: cannot copy to " + os.path.join(screens, "logo.bmp") + ": Permission denied",
                      refused.stderr)

    def test_plugins_removed_by_hand_give_clear_messages(self):
        self.assertEqual(self.glancer("init").returncode, 0)
        self.assertEqual(self.glancer("use-driver", "Virtual display", cwd=self.work).returncode, 0)
        for name in glob.glob(os.path.join(self.plugins, "*.so")):
            os.remove(name)
        fresh = self.glancer("init", os.path.join(self.home, "fresh"))
        self.assertEqual(fresh.returncode, 1)
        self.assertIn("glancer: no plugins installed in " + self.plugins, fresh.stderr)
        listing = self.glancer("drivers", cwd=self.work)
        self.assertIn("glancer: no plugin in this directory provides a display driver.", listing.stderr)
        process = subprocess.Popen([os.path.join(self.root, "usr", "bin", "glancer")], cwd=self.work, env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        harness.wait_for(lambda: os.path.exists(os.path.join(self.work, "log.txt")), "the log")
        status, _, err = harness.stop(process)
        self.assertEqual(status, 0)
        self.assertIn('glancer: no display driver selected (DRIVER is "Virtual display"); drivers found: none.', err)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--deb-dir", required=True)
    parser.add_argument("--shipped", required=True, help="the plugins the build installs, comma-separated")
    options, rest = parser.parse_known_args()
    SHIPPED[:] = [name + ".so" for name in options.shipped.split(",")]
    debs = sorted(glob.glob(os.path.join(options.deb_dir, "glancer_*_*.deb")), key=os.path.getmtime)
    if not debs:
        sys.exit("no glancer_*.deb in " + options.deb_dir)
    DEB = debs[-1]
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
