#!/usr/bin/python3
"""Ansible module: the settings of a Halix SCSI host adapter card, through halix-term."""

DOCUMENTATION = r"""
module: halix_settings
short_description: Apply settings to a Halix SCSI host adapter card
description:
  - Reads the card's settings with C(halix-term get --json) and writes, with
    C(halix-term set --json), only the settings that differ from what the card holds.
  - Reports changed only when the card's record was written.
  - In check mode it reads the card and reports what would change, writing nothing; in diff
    mode it shows the settings that differ as C(NAME VALUE) lines before and after.
options:
  settings:
    description:
      - The settings, as a mapping of names to values. Names are C(host-id), C(parity),
        C(termination) and C(target.N.disconnect|sync|wide|max-transfer) (N 0-15); switches
        take C(on)/C(off) or booleans.
    type: dict
  settings_file:
    description:
      - A settings file on the host (saved with Save Settings); its settings are applied as
        if given in I(settings). Read through the utility's Load Settings, which is then
        cancelled.
    type: path
  password:
    description: The administrator password. Given to halix-term on its standard input.
    type: str
    required: true
    no_log: true
  halix_term:
    description: The halix-term program on the host.
    type: path
    default: halix-term
notes:
  - Needs halix-term (the Debian package halix-utility) on the host.
"""

EXAMPLES = r"""
- name: Host ID 6, synchronous transfer for target 3
  halix_settings:
    settings:
      host-id: 6
      target.3.sync: true
    password: "{{ vault_halix_admin_password }}"

- name: The settings of a saved file
  halix_settings:
    settings_file: /tmp/halix/settings.nvram
    password: "{{ vault_halix_admin_password }}"
"""

RETURN = r"""
changes:
  description: The names of the settings that differ (and were written, unless in check mode).
  returned: always
  type: list
  elements: str
settings:
  description: The card's settings at the end, as halix-term get --json types them.
  returned: success
  type: dict
results:
  description: The JSON objects of the halix-term jobs that ran, in order.
  returned: always
  type: list
  elements: dict
"""

import json

from ansible.module_utils.basic import AnsibleModule


def word(value):
    """A value as halix-term's set takes it."""
    if isinstance(value, bool):
        return "on" if value else "off"
    return str(value).replace(" ", "")


def run_job(module, results, job):
    """Runs one halix-term job with --json; fails the module unless it succeeded."""
    command = [module.params["halix_term"], "--json", "--yes", "--password-file", "-"] + job
    rc, out, err = module.run_command(command, data=module.params["password"])
    try:
        result = json.loads(out)
    except ValueError:
        module.fail_json(msg="halix-term %s ended with status %d: %s" % (job[0], rc, err.strip()),
                         results=results, changes=[])
    results.append(result)
    if rc != 0:
        # What the utility told first: its alerts by key, then each key with its text.
        alerts = result.get("alerts", [])
        module.fail_json(
            msg='alerts: %s (%s); halix-term ended with status %d (%s)%s' % (
                ", ".join(str(alert["key"]) for alert in alerts) or "none",
                "; ".join('%s: "%s"' % (alert["key"], alert["text"]) for alert in alerts),
                rc, " ".join(job[:1] + job[1:2]), ("; " + err.strip()) if err.strip() else ""),
            results=results, changes=[])
    return result


def file_settings(module):
    """The settings of a settings file, as the window shows them after Load Settings."""
    script = "login %s\nok\npress load-settings\nopen %s\nshow\npress cancel\n" % (
        module.params["password"], module.params["settings_file"])
    rc, out, err = module.run_command([module.params["halix_term"], "--json"], data=script)
    shown = [event for event in map(json.loads, out.splitlines())
             if event.get("event") == "show"] if out else []
    if rc != 0 or not shown:
        module.fail_json(msg="the settings file %s could not be read (halix-term status %d): %s"
                         % (module.params["settings_file"], rc, err.strip()), changes=[])
    settings = dict((name, value) for name, value in shown[-1]["settings"].items()
                    if name != "targets")
    for row in shown[-1]["settings"]["targets"]:
        for name, value in row.items():
            if name != "target":
                settings["target.%d.%s" % (row["target"], name)] = value
    return settings


def main():
    module = AnsibleModule(
        argument_spec=dict(
            settings=dict(type="dict"),
            settings_file=dict(type="path"),
            password=dict(type="str", required=True, no_log=True),
            halix_term=dict(type="path", default="halix-term"),
        ),
        mutually_exclusive=[["settings", "settings_file"]],
        required_one_of=[["settings", "settings_file"]],
        supports_check_mode=True,
    )
    results = []
    before = run_job(module, results, ["get"])["settings"]
    wanted = module.params["settings"] or file_settings(module)
    unknown = sorted(name for name in wanted if name not in before)
    if unknown:
        module.fail_json(msg="no setting is named %s" % ", ".join(unknown), results=results,
                         changes=[])
    changes = [name for name in before if name in wanted
               and word(wanted[name]) != word(before[name])]
    diff = {
        "before": "".join("%s %s\n" % (name, word(before[name])) for name in changes),
        "after": "".join("%s %s\n" % (name, word(wanted[name])) for name in changes),
    }
    after = before
    changed = False
    if changes and not module.check_mode:
        result = run_job(module, results,
                         ["set"] + ["%s=%s" % (name, word(wanted[name])) for name in changes])
        after = result.get("settings", before)
        changed = bool(result["changed"])
    module.exit_json(changed=changed or (bool(changes) and module.check_mode), changes=changes,
                     settings=after, results=results, diff=diff)


if __name__ == "__main__":
    main()
