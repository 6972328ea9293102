"""The MQTT data source run by the real program against a real mosquitto
broker on a free port of 127.0.0.1: retained and published values, JSON
fields, a broker restart, odd payloads and refused settings."""
import glob
import json
import os
import re
import shutil
import socket
import subprocess
import tempfile
import time

import harness
import panel
from harness import free_port, registry_text, stop, wait_for

MOSQUITTO = shutil.which("mosquitto") or "/usr/sbin/mosquitto"
DYNAMIC_SECURITY = (glob.glob("/usr/lib/*/mosquitto_dynamic_security.so") + [""])[0]
TOPICS = [  # id, filter, type, field; rows on the panel in this order
    ("Temp", "home/temp", "double", ""),
    ("Json", "sensors/+", "double", "sensor.temp"),
    ("Note", "notes/#", "text", ""),
    ("Count", "count", "integer", ""),
    ("Secret", "secret/x", "text", ""),
]
BAD = [  # refused topics and their log lines
    ({"Filter": "a"}, "MQTT\\Topics\\{n} has no Id; skipped"),
    ({"Id": "Temp", "Filter": "b"}, 'MQTT\\Topics\\{n} Id "Temp" is used twice; skipped'),
    ({"Id": "Kind", "Filter": "c", "Type": "colour"}, 'MQTT\\Topics\\{n} Type "colour" is not text, integer or double; skipped'),
    ({"Id": "Bad", "Filter": "a/#/b"}, 'MQTT\\Topics\\{n} Filter "a/#/b" is not a topic filter; skipped'),
]


class Broker:
    """mosquitto with a config file of its own, listening on 127.0.0.1 only."""

    def __init__(self, extra=""):
        self.dir = tempfile.mkdtemp(prefix="glancer-mqtt-")
        os.chmod(self.dir, 0o755)  # mosquitto started by root reads its files as the user "mosquitto"
        self.port = free_port()
        self.config = os.path.join(self.dir, "mosquitto.conf")
        # Anonymous clients may do anything but subscribe to secret/#.
        with open(os.path.join(self.dir, "security.json"), "w") as security:
            json.dump({"clients": [], "groups": [{"groupname": "all", "roles": [{"rolename": "r"}]}],
                       "anonymousGroup": "all", "roles": [{"rolename": "r", "acls": [
                           {"acltype": "subscribePattern", "topic": "secret/#", "priority": 1, "allow": False}]}],
                       "defaultACLAccess": {"publishClientSend": True, "publishClientReceive": True,
                                            "subscribe": True, "unsubscribe": True}}, security)
        with open(self.config, "w") as config:
            config.write(f"listener {self.port} 127.0.0.1\npersistence false\n" + (extra or (
                f"allow_anonymous true\nplugin {DYNAMIC_SECURITY}\nplugin_opt_config_file {self.dir}/security.json\n")))
        self.process = None

    def start(self):
        for name in os.listdir(self.dir):
            os.chmod(os.path.join(self.dir, name), 0o644)
        self.process = subprocess.Popen([MOSQUITTO, "-c", self.config], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

        def listening():
            with socket.socket() as probe:
                return probe.connect_ex(("127.0.0.1", self.port)) == 0
        wait_for(listening, "the broker")

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def publish(self, topic, payload, retain=False):
        path = os.path.join(self.dir, "payload")
        with open(path, "wb") as file:
            file.write(payload if isinstance(payload, bytes) else payload.encode())
        subprocess.run(["mosquitto_pub", "-h", "127.0.0.1", "-p", str(self.port), "-t", topic, "-f", path] +
                       (["-r"] if retain else []), check=True, timeout=harness.TIMEOUT)

    def close(self):
        self.kill()
        shutil.rmtree(self.dir, ignore_errors=True)


def settings(port, topics=(), bad=(), **connection):
    text = registry_text({"DRIVER": "RecordDriver"})
    sections = {"MQTT": dict({"Host": "127.0.0.1", "Port": port}, **connection)}
    entries = [{"Id": i, "Filter": f, "Type": t, "Field": d} for i, f, t, d in topics] + [b for b, _ in bad]
    sections.update({f"MQTT\\Topics\\{n}": values for n, values in enumerate(entries, 1)})
    for name, values in sections.items():
        text += "\n" + registry_text(values, name).split("\n", 2)[2]
    return text, [line.format(n=len(topics) + n) for n, (_, line) in enumerate(bad, 1)]


class Mqtt(harness.Case):
    def broker(self, extra=""):
        broker = Broker(extra)
        self.addCleanup(broker.close)
        broker.start()
        return broker

    def test_values_flow_through_a_screen_and_survive_a_broker_restart(self):
        broker = self.broker()
        broker.publish("home/temp", "19.5", retain=True)
        items = harness.value_rows(["MQTT." + topic[0] for topic in TOPICS], 30, 50)
        online = harness.screen("Online", '<item type="text" x="0" y="9"><fieldsize>6</fieldsize><refresh>50</refresh>'
                                "<textdata>ONLINE</textdata></item>\n" + harness.next_screen(100), flag="MQTT.Connected")
        work = self.workdir(plugins=("recorddriver", "mqtt"), screens=harness.screen_files(
            s=harness.screen("S", items + harness.next_screen(100)), o=online))
        text, refused = settings(broker.port, TOPICS, BAD)
        work.write("registry.reg", text + "\n" + registry_text({"YChars": 10}, "RecordDriver").split("\n", 2)[2])

        def calls():
            return work.lines("driver_calls.txt")

        def shown(since=0):
            latest = {}
            for line in calls()[since:]:
                match = re.match(r"writeText 0 (\d) (.*)$", line)
                if match:
                    latest[int(match.group(1))] = match.group(2).rstrip()
            return {TOPICS[row][0] if row < len(TOPICS) else "Online": value for row, value in latest.items()}

        process = work.start()
        wait_for(lambda: shown().get("Temp") == "19.5" and shown().get("Online") == "ONLINE", "the retained value")
        for line in refused:
            self.assertIn("MQTT: " + line, work.log())
        broker.publish("sensors/kitchen", '{"name": "k", "list": [1, {"a": "}"}], "sensor": {"temp": 22.25}}')
        broker.publish("notes/a", b"\xff\xfe\x00bad \xc3( utf-8\nsecond line")
        broker.publish("count", "12")
        broker.publish("count", "twelve")
        broker.publish("secret/x", "hidden")
        wait_for(lambda: shown().get("Json") == "22.25" and "bad" in shown().get("Note", ""), "published values")
        self.assertEqual(shown()["Note"].encode("utf-8", "replace")[:9], "\ufffd\ufffd?bad".encode()[:9])
        # Invalid messages keep the value, with one line until a valid one arrives.
        invalid = "a message on MQTT.Json is not valid JSON"
        for payload in ['{"sensor": {"temp": 30}}trailing', '{"sensor": {"temp": 31,}}', '{"sensor": {"temp": 32']:
            broker.publish("sensors/kitchen", payload)
        broker.publish("sensors/kitchen", '{"sensor": {"temp": 1, "temp": 23.5}}')
        wait_for(lambda: shown().get("Json") == "23.5", "the last of duplicate keys")
        self.assertEqual(sum(line.startswith("MQTT: " + invalid) for line in work.log()), 1, work.log())
        wait_for(lambda: "MQTT: a message on MQTT.Json is good again" in work.log(), "the line for the good one")
        broker.publish("sensors/kitchen", "[" * 10000 + "]" * 10000)
        wait_for(lambda: sum(line.startswith("MQTT: " + invalid.replace("not valid JSON", "nested deeper"))
                             for line in work.log()) == 1, "a line for the next bad message")
        self.assertEqual(shown().get("Json"), "23.5")
        broker.publish("notes/b", "A" * 1048576)
        wait_for(lambda: shown().get("Note") == "A" * 30, "the long payload, cut")
        wait_for(lambda: any("refused the topic filter" in line for line in work.log()), "the refused filter")

        broker.kill()
        wait_for(lambda: any("MQTT: lost the connection" in line for line in work.log()), "the lost connection")
        time.sleep(0.2)  # a tick under way may still have seen the flag
        mark = len(calls())
        time.sleep(0.5)  # several screen switches: none may show the Online screen
        self.assertNotIn("Online", shown(mark))
        broker.start()
        wait_for(lambda: shown(mark).get("Online") == "ONLINE", "the reconnection")
        broker.publish("home/temp", "23")
        wait_for(lambda: shown().get("Temp") == "23", "a value after the restart")
        latest = shown()
        self.assertEqual(stop(process)[0], 0)
        self.assertEqual((latest["Count"], latest["Secret"]), ("12", "?"))
        log = work.log()
        for line in ['the broker refused the topic filter "secret/x" of MQTT.Secret',
                     "a message on MQTT.Count is not an integer; keeping the last value"]:
            self.assertIn("MQTT: " + line, log)
        self.assertEqual(sum(line.startswith("MQTT: connected to 127.0.0.1") for line in log), 2)

    def test_a_wrong_password_and_an_unreadable_ca_file_get_one_line_each(self):
        broker = Broker("allow_anonymous false\npassword_file {dir}/passwords\n")
        self.addCleanup(broker.close)
        with open(broker.config) as file:
            config = file.read().replace("{dir}", broker.dir)
        with open(broker.config, "w") as file:
            file.write(config)
        subprocess.run(["mosquitto_passwd", "-c", "-b", os.path.join(broker.dir, "passwords"), "panel", "right"],
                       check=True, capture_output=True, timeout=harness.TIMEOUT)
        broker.start()
        for connection, line in [({"Username": "panel", "Password": "wrong"},
                                  "the broker refused the connection: Connection Refused: not authorised."),
                                 ({"TLS": 1, "CAFile": "/nonexistent/ca.pem"},
                                  'cannot read the CAFile "/nonexistent/ca.pem"; not connecting')]:
            work = self.workdir(plugins=("recorddriver", "mqtt"))
            work.write("registry.reg", settings(broker.port, TOPICS[:1], **connection)[0])
            process = work.start()
            wait_for(lambda: "MQTT: " + line in work.log(), line)
            time.sleep(1.5)  # a retry or two
            self.assertEqual(stop(process)[0], 0)
            self.assertEqual(sum(entry.startswith("MQTT: ") for entry in work.log()), 1, work.log())

    def test_configure_source_asks_for_the_connection(self):
        work = self.workdir(plugins=("mqtt",), screens=None)
        work.write("registry.reg", settings(1883, Username="old")[0])
        result = work.run("configure-source", "MQTT", stdin="broker.lan\n8883\n-\n\nglancer\n1\n/etc/ca.pem\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(dict(re.findall(r'"(\w+)"=(\S+)', work.read("registry.reg").split("\\MQTT]")[1])),
                         {"Host": '"broker.lan"', "Port": "dword:000022b3", "Username": '""', "Password": '""',
                          "ClientId": '"glancer"', "TLS": "dword:00000001", "CAFile": '"/etc/ca.pem"'})


class ExampleScreen(harness.Case):
    """examples/data as its read-me runs it; GLANCER_UPDATE_SCREENSHOTS=1
    also renews the picture in docs/data-sources.md."""

    def test_shows_a_command_and_mqtt_values(self):
        example = os.path.join(harness.EXAMPLES, "..", "data")
        broker = Broker()
        self.addCleanup(broker.close)
        broker.start()
        broker.publish("home/temp", "21.5", retain=True)
        broker.publish("home/music", '{"track": {"title": "Blue in Green", "artist": "Miles Davis"}}', retain=True)
        work = self.workdir(plugins=("virtual", "command", "mqtt"), screens=None)
        shutil.copytree(os.path.join(example, "screens"), work.file("screens"))
        shutil.copy(os.path.join(example, "temperature.sh"), work.path)
        with open(os.path.join(example, "registry.reg")) as file:
            settings = file.read().replace("dword:0000075b", f"dword:{broker.port:08x}")
        panel.load_font()

        def run(snapshot, ready, keep=lambda: None):
            work.write("registry.reg", settings + "\n" + registry_text({"Snapshot": snapshot}, "VirtualDisplay")
                       .split("\n", 2)[2])
            process = work.start()
            wait_for(ready, "the example's values")
            keep()  # before the farewell replaces the picture
            self.assertEqual(stop(process)[0], 0)

        def shows(*texts):
            pixels = panel.read_pbm(snapshot) if os.path.exists(snapshot) else None
            return pixels and all(panel.find_text(pixels, text) for text in texts)

        snapshot = work.file("panel.pbm")
        run(snapshot, lambda: shows("Room", "21.5", "C", time.strftime("%H:")) and
            any(shows(f"{t / 4 + 45:.1f}") for t in range(20)))
        if os.environ.get("GLANCER_UPDATE_SCREENSHOTS"):
            picture = work.file("panel.png")
            docs = os.path.join(harness.EXAMPLES, "..", "..", "docs", "screenshot-data-sources.png")
            run(picture, lambda: os.path.exists(picture) and time.sleep(2) is None,
                lambda: subprocess.run(["convert", picture, "-scale", "400%", docs], check=True,
                                       timeout=harness.TIMEOUT))


if __name__ == "__main__":
    harness.main()
