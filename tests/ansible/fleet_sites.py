# Sites for the tests of the quarn.fleet collection, all on this machine: each its own folder
# with a document, XDG_* folders and simulated printers on loopback addresses, and an inventory
# that reaches them with ansible_connection: local.
from __future__ import annotations

import hashlib
import json
import os
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
COLLECTIONS = SOURCE / 'integrations' / 'ansible'
ROLLOUT_PLAYBOOK = COLLECTIONS / 'playbooks' / 'rolling_firmware_update.yml'
TEST_PLAYBOOKS = Path(__file__).resolve().parent
QUARNCTL = os.environ.get('QUARNCTL', 'quarnctl')
PRINTER_SIM = os.environ.get('QUARN_PRINTER_SIM', 'quarn-printer-sim')
# Loose: a hang is caught, a busy machine is not.
START_SECONDS = 30
PLAYBOOK_SECONDS = 240


def sha256_of(path):
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()


class PrinterSim:
    """quarn-printer-sim with its network printers, each on a port the system chose."""

    def __init__(self, folder, specs, prefix=(), options=()):
        self.folder = Path(folder)
        self.record = self.folder / 'record.jsonl'
        self.output = self.folder / 'sim.out'
        command = list(prefix) + [PRINTER_SIM, '--record', str(self.record)] + list(options)
        for spec in specs:
            command += ['--network', spec]
        with open(self.output, 'wb') as output:
            self.process = subprocess.Popen(command, stdout=output, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + START_SECONDS
        while 'ready' not in self.lines():
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError('the printer simulator did not start: %s' % self.output.read_text())
            time.sleep(0.05)
        self.ports = {words[1]: int(words[2].rsplit(':', 1)[1])
                      for words in map(str.split, self.lines()) if words[0] == 'listening'}

    def lines(self):
        return self.output.read_text().splitlines()

    def stop(self):
        """Ends the simulator, which completes its record, and gives the connections it recorded."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=START_SECONDS)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if not self.record.exists():
            return []
        return [entry for entry in map(json.loads, self.record.read_text().splitlines()) if entry['kind'] == 'network']


@dataclass
class Site:
    """One site's computer, folders and printers; printers maps a name to its loopback address and simulator options."""
    name: str
    root: Path
    printers: dict
    use_path: bool = False
    sim: PrinterSim | None = None
    extra_vars: dict = field(default_factory=dict)

    def __post_init__(self):
        self.folder = self.root / self.name
        for sub in ('config', 'state', 'files'):
            (self.folder / sub).mkdir(parents=True)
        (self.folder / 'run').mkdir(mode=0o700)
        self.document = self.folder / 'site.qps'
        self.firmware = self.folder / 'files' / 'firmware.prg'

    def start_printers(self):
        self.sim = PrinterSim(self.folder, ['%s@%s:0%s' % (name, address, options)
                                            for name, (address, options) in self.printers.items()])

    def environment(self):
        environment = dict(XDG_CONFIG_HOME=str(self.folder / 'config'), XDG_STATE_HOME=str(self.folder / 'state'),
                           XDG_RUNTIME_DIR=str(self.folder / 'run'))
        if self.use_path:
            environment['PATH'] = '%s:%s' % (Path(QUARNCTL).parent, os.environ['PATH'])
        return environment

    def host_vars(self):
        # Not calibrated: a calibration is a connection of its own, besides the file's.
        printers = [dict(name=name, kind='network', port=address, tcp_port=self.sim.ports[name] if self.sim else 9100,
                         calibrate=False)
                    for name, (address, _) in self.printers.items()]
        host = dict(ansible_connection='local', ansible_python_interpreter=sys.executable,
                    site_document=str(self.document), site_firmware=str(self.firmware), site_printers=printers,
                    site_environment=self.environment(), **self.extra_vars)
        if not self.use_path:
            host['quarnctl_path'] = QUARNCTL
        return host

    def quarnctl(self, *args):
        return subprocess.run([QUARNCTL] + list(args), env=dict(os.environ, **self.environment()),
                              capture_output=True, text=True, timeout=START_SECONDS)


def write_inventory(root, sites):
    path = Path(root) / 'inventory.yml'
    # JSON is YAML, and the inventory's YAML reader takes it.
    path.write_text(json.dumps({'sites': {'hosts': {site.name: site.host_vars() for site in sites}}}))
    return path


@dataclass
class PlaybookRun:
    returncode: int
    report: dict
    stderr: str

    def stats(self, host):
        return self.report['stats'][host]

    def results(self, task_name):
        """Each host's result of the task named TASK_NAME (of its last run, for a task of every batch)."""
        found = {}
        for play in self.report['plays']:
            for task in play['tasks']:
                if task['task']['name'] == task_name:
                    found.update(task['hosts'])
        return found

    def explain(self):
        return 'ansible-playbook ended with %d\n%s\n%s' % (self.returncode, json.dumps(self.report, indent=1)[-6000:],
                                                          self.stderr[-3000:])


def run_playbook(root, playbook, inventory, *options, prefix=()):
    environment = dict(os.environ, ANSIBLE_COLLECTIONS_PATH=str(COLLECTIONS), ANSIBLE_STDOUT_CALLBACK='site_report',
                       ANSIBLE_CALLBACK_PLUGINS=str(TEST_PLAYBOOKS / 'callback_plugins'),
                       ANSIBLE_HOME=str(Path(root) / 'ansible'), ANSIBLE_LOCAL_TEMP=str(Path(root) / 'ansible' / 'tmp'),
                       ANSIBLE_NOCOLOR='1')
    done = subprocess.run(list(prefix) + ['ansible-playbook', '-i', str(inventory), str(playbook)] + list(options),
                          cwd=root, env=environment, capture_output=True, text=True, timeout=PLAYBOOK_SECONDS)
    try:
        report = json.loads(done.stdout)
    except ValueError:
        report = {'unreadable output': done.stdout}
    return PlaybookRun(done.returncode, report, done.stderr)
