"""The plugin SDK as a third party uses it: the build is installed into a
staging prefix, examples/plugin-template is configured against it with
find_package(GlancerPlugin), one of its plugins is also compiled with the
flags pkg-config gives, and the installed glancer lists both."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD = TEMPLATE = None


def run(*args, **kwargs):
    result = subprocess.run(args, capture_output=True, text=True, timeout=600, **kwargs)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(args)} failed:\n{result.stdout}\n{result.stderr}")
    return result


class Sdk(unittest.TestCase):
    def test_the_template_builds_against_the_staged_sdk_and_loads(self):
        scratch = tempfile.mkdtemp(prefix="glancer-sdk-")
        self.addCleanup(shutil.rmtree, scratch, ignore_errors=True)
        stage, build, work = (os.path.join(scratch, name) for name in ("stage", "build", "work"))
        run("cmake", "--install", BUILD, "--prefix", stage)

        # find_package: no compiler launcher or flags of ours leak into a third party's build.
        env = {k: v for k, v in os.environ.items() if not k.startswith("CMAKE_")}
        run("cmake", "-S", TEMPLATE, "-B", build, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + stage,
            "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS=-Wall -Wextra -Werror", env=env)
        run("cmake", "--build", build, env=env)
        os.makedirs(work)
        shutil.copy(os.path.join(build, "template_driver.so"), work)
        exported = run("nm", "-D", "--defined-only", os.path.join(work, "template_driver.so")).stdout
        self.assertEqual([line.split()[-1] for line in exported.splitlines() if " T " in line], ["getInterface"])

        # pkg-config: the data source compiled by hand.
        cflags = run("pkg-config", "--cflags", "glancer-plugin",
                     env=dict(os.environ, PKG_CONFIG_PATH=os.path.join(stage, "share", "pkgconfig"))).stdout.split()
        run("c++", "-std=c++17", "-shared", "-fPIC", "-fvisibility=hidden", *cflags,
            os.path.join(TEMPLATE, "template_source.cpp"), "-o", os.path.join(work, "template_source.so"))

        glancer = os.path.join(stage, "bin", "glancer")
        env = dict(os.environ, GLANCER_REGISTRY=os.path.join(work, "registry.reg"))
        self.assertEqual(run(glancer, "drivers", cwd=work, env=env).stdout, "  Template display\n")
        self.assertEqual(run(glancer, "sources", cwd=work, env=env).stdout, "Template\n")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--template", required=True)
    options, rest = parser.parse_known_args()
    BUILD, TEMPLATE = os.path.abspath(options.build), os.path.abspath(options.template)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
