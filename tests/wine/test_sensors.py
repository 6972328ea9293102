"""The Sensors source on Windows: a recorded LibreHardwareMonitor data.json
served by a loopback HTTP server of the test's, HWiNFO's gadget values
written with `reg add`, and the stand-in nvml.dll in the working directory."""
import http.server
import os
import re
import shutil
import threading

from wineharness import CONFIG, WineTestCase, reg_set, screen, screen_files, value_rows, wait_until, write_files

FIXTURE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "datasources", "sensors", "fixtures", "lhm_data.json")
HWINFO = r"HKCU\Software\HWiNFO64\VSB"
ROWS = ["Sensors.CpuTemp", "Sensors.Nuvoton_NCT6798D.Fan__1", "Sensors.HWiNFO.CPU_Fan", "Sensors.GpuLoad",
        "Sensors.gpu2.Fan"]


class Server:
    """data.json on 127.0.0.1, stopped and started again on the same port."""

    def __init__(self):
        with open(FIXTURE, "rb") as file:
            body = file.read()

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200 if self.path == "/data.json" else 404)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass
        self.handler = Handler
        self.httpd = None
        self.port = 0
        self.start()

    def start(self):
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", self.port), self.handler)
        self.port = self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def stop(self):
        if self.httpd:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.httpd = None


class SensorsTest(WineTestCase):
    def test_monitors_feed_a_screen_and_a_stopped_server_reads_zero_until_it_is_back(self):
        server = Server()
        self.addCleanup(server.stop)
        self.desktop.run("reg", "delete", HWINFO, "/f", check=False)
        self.addCleanup(self.desktop.run, "reg", "delete", HWINFO, "/f", check=False)
        for name, value in [("Sensor0", "CPU [#0]"), ("Label0", "CPU Fan"), ("Value0", "1,100 RPM"), ("ValueRaw0", "1100"),
                            ("Label1", "CPU Package"), ("Value1", "52.0 \u00b0C")]:
            reg_set(self.desktop, name, "REG_SZ", value, key=HWINFO)
        key = r"HKCU\Software\Glancer\Sensors"
        reg_set(self.desktop, "LhmUrl", "REG_SZ", f"http://127.0.0.1:{server.port}/data.json", key=key)
        reg_set(self.desktop, "Interval", "REG_DWORD", "100", key=key)
        reg_set(self.desktop, "YChars", "REG_DWORD", "6", key=r"HKCU\Software\Glancer\RecordDriver")
        work = self.workdir(["recorddriver", "sensors"], screens=False)
        shutil.copy(os.path.join(CONFIG["plugins"], "nvml", "nvml.dll"), work)
        write_files(os.path.join(work, "screens"), screen_files(s=screen("S", value_rows(ROWS, 10, 50))))
        run = self.start(driver="RecordDriver", workdir=work)

        def shown():
            latest = {}
            for line in run.read("driver_calls.txt").splitlines():
                match = re.match(r"writeText 0 (\d) (.*)$", line)
                if match and int(match.group(1)) < len(ROWS):
                    latest[ROWS[int(match.group(1))]] = match.group(2).rstrip()
            return latest

        wait_until(lambda: shown() == {"Sensors.CpuTemp": "45.3", "Sensors.Nuvoton_NCT6798D.Fan__1": "1200",
                                       "Sensors.HWiNFO.CPU_Fan": "1100", "Sensors.GpuLoad": "45",
                                       "Sensors.gpu2.Fan": "0"}, "every monitor's values")
        server.stop()
        wait_until(lambda: shown().get("Sensors.CpuTemp") == "0" and shown().get(
            "Sensors.Nuvoton_NCT6798D.Fan__1") == "0", "the stopped server's values at 0")
        self.assertEqual(shown()["Sensors.HWiNFO.CPU_Fan"], "1100")
        server.start()
        wait_until(lambda: shown().get("Sensors.CpuTemp") == "45.3", "the values back")
        self.assertEqual(run.exit(), 0)
        stopped = [line for line in run.log() if "stopped answering" in line]
        self.assertEqual(len(stopped), 1, run.log())
        self.assertTrue(stopped[0].startswith(f"Sensors: LibreHardwareMonitor at http://127.0.0.1:{server.port}"))
        self.assert_clean_shutdown(run)
