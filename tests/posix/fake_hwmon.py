"""A fake sysfs tree of hardware monitors, mounted over /sys/class (and a
sensors.d of its own over /etc/sensors.d) in a private mount namespace, so
that the real libsensors, the `sensors` command and Glancer read it."""
import os
import shutil
import subprocess
import tempfile

# hwmon directory -> (device, {file: text}); device None: a virtual chip.
CHIPS = {
    "hwmon0": ("0000:00:18.3", {"name": "k10temp", "temp1_input": "45250", "temp1_label": "Tctl",
                                "temp3_input": "40125", "temp3_label": "Tccd1"}),
    "hwmon1": ("nct6775.656", {"name": "nct6798", "fan1_input": "1205", "fan2_input": "870", "fan3_input": "1650",
                               "in0_input": "1040", "temp1_input": "38000", "temp1_label": "SYSTIN",
                               "temp2_input": "41500", "temp2_label": "CPUTIN"}),
    "hwmon3": ("0000:01:00.0", {"name": "nvme", "temp1_input": "35850", "temp1_label": "Composite",
                                "temp2_input": "39850", "temp2_label": "Sensor 1"}),
    "hwmon4": ("0000:02:00.0", {"name": "nvme", "temp1_input": "41850", "temp1_label": "Composite"}),
    "hwmon5": (None, {"name": "ina226", "curr1_input": "1500", "power1_input": "12500000", "in1_input": "12040"}),
}
# The card's hwmon sits below its PCI device, as the kernel puts it.
GPU_DEVICE = "0000:03:00.0"
GPU_HWMON = {"name": "amdgpu", "temp1_input": "52000", "temp1_label": "edge", "temp2_input": "60000",
             "temp2_label": "junction", "power1_average": "35000000", "fan1_input": "1500", "pwm1": "102",
             "pwm1_max": "255", "in0_input": "800", "in0_label": "vddgfx"}
GPU_FILES = {"vendor": "0x1002", "gpu_busy_percent": "37", "mem_info_vram_used": str(1536 << 20),
             "mem_info_vram_total": str(8192 << 20)}
SENSORS_D = 'chip "nct6798-*"\n    label fan1 "CPU fan"\n    label fan2 "Rear (top)"\n'


def _write(directory, files):
    os.makedirs(directory, exist_ok=True)
    for name, text in files.items():
        with open(os.path.join(directory, name), "w") as out:
            out.write(text + "\n")


def _device(root, name, subsystem):
    path = os.path.join(root, "fake-devices", name)
    os.makedirs(path, exist_ok=True)
    os.symlink("../../bus/" + subsystem, os.path.join(path, "subsystem"))  # libsensors reads the link's name
    return path


class FakeTree:
    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="glancer-hwmon-")
        os.chmod(self.dir, 0o755)
        self.root = os.path.join(self.dir, "class")
        self.conf = os.path.join(self.dir, "sensors.d")
        _write(self.conf, {"glancer-test.conf": SENSORS_D})
        hwmon = os.path.join(self.root, "hwmon")
        for name, (device, files) in CHIPS.items():
            _write(os.path.join(hwmon, name), files)
            if device:
                _device(self.root, device, "pci" if device.startswith("0000") else "platform")
                os.symlink("../../fake-devices/" + device, os.path.join(hwmon, name, "device"))
        gpu = _device(self.root, GPU_DEVICE, "pci")
        _write(gpu, GPU_FILES)
        _write(os.path.join(gpu, "hwmon", "hwmon2"), GPU_HWMON)
        os.symlink("../../../" + GPU_DEVICE, os.path.join(gpu, "hwmon", "hwmon2", "device"))
        os.symlink("../fake-devices/" + GPU_DEVICE + "/hwmon/hwmon2", os.path.join(hwmon, "hwmon2"))
        os.makedirs(os.path.join(self.root, "drm", "card0-DP-1"))
        os.makedirs(os.path.join(self.root, "drm", "card0"))
        os.symlink("../../fake-devices/" + GPU_DEVICE, os.path.join(self.root, "drm", "card0", "device"))

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def command(self, *args):
        """`args` run with the tree mounted, in a mount namespace of their own."""
        script = 'mount --bind "$1" /sys/class && mount --bind "$2" /etc/sensors.d && shift 2 && exec "$@"'
        return ["unshare", "--mount", "sh", "-c", script, "sh", self.root, self.conf, *args]


def why_not():
    """Why the tree cannot be mounted here; None when it can."""
    if os.geteuid() != 0:
        return "needs root to make a mount namespace"
    if not shutil.which("unshare") or not shutil.which("sensors"):
        return "needs unshare (util-linux) and sensors (lm-sensors)"
    if not os.path.isdir("/etc/sensors.d"):
        return "needs /etc/sensors.d (libsensors-config)"
    probe = subprocess.run(["unshare", "--mount", "sh", "-c", "mount -t tmpfs none /sys/class"],
                           capture_output=True, text=True)
    if probe.returncode != 0:
        return "cannot mount in a private mount namespace: " + probe.stderr.strip()
    return None
