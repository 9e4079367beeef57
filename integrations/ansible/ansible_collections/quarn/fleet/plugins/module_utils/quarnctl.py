# Runs quarnctl for the modules of quarn.fleet and turns its failures into task failures that
# carry its own words.
from __future__ import annotations

import json
import os


def quarnctl_argument_spec():
    return dict(
        document=dict(type='path', required=True),
        quarnctl=dict(type='path'),
    )


class Quarnctl:
    def __init__(self, module):
        self.module = module
        path = module.params['quarnctl']
        if path:
            if not (os.path.isfile(path) and os.access(path, os.X_OK)):
                module.fail_json(msg='quarnctl is not an executable file at %s' % path)
            self.path = path
        else:
            self.path = module.get_bin_path('quarnctl')
            if not self.path:
                module.fail_json(msg='quarnctl is not on the PATH of the target; give its path in the quarnctl option')
        self.document = module.params['document']

    def run(self, args, allowed=(0,), **result):
        """Runs quarnctl with ARGS; any exit status not in ALLOWED fails the task."""
        command = [self.path] + list(args)
        rc, out, err = self.module.run_command(command)
        if rc not in allowed:
            self.fail(command, rc, out, err, **result)
        return rc, out, err

    def fail(self, command, rc, out, err, **result):
        said = [line for line in err.splitlines() if line.strip()]
        message = '\n'.join(said) if said else 'quarnctl ended with exit status %d' % rc
        self.module.fail_json(msg=message, cmd=command, rc=rc, stdout=out, stderr=err, **result)

    def printers(self):
        """The printers of the document as list --json gives them; none while it does not exist."""
        if not os.path.exists(self.document):
            return []
        command = ['list', self.document, '--json']
        rc, out, err = self.run(command)
        try:
            return json.loads(out)
        except ValueError:
            self.fail([self.path] + command, rc, out, 'quarnctl list gave no JSON: %s' % err)
