"""The administrative templates (policy/kestro.admx, policy/en-US/kestro.adml)
and the package's machine-setting properties, against the names and ranges
the program reads, which cash_drawer/drawer_settings.h holds alone: both
templates are well-formed, every string and presentation the template names
exists, each policy writes a value the program reads under the policy key,
with the program's range and default, every setting has its policy, and none
writes under Software\\Microsoft. Runs without Windows."""

import pathlib
import re
import unittest
import xml.etree.ElementTree as ElementTree

HERE = pathlib.Path(__file__).resolve().parent
SETTINGS_HEADER = HERE.parent / "cash_drawer" / "drawer_settings.h"
ADMX = HERE / "policy" / "kestro.admx"
ADML = HERE / "policy" / "en-US" / "kestro.adml"
WXS = HERE / "kestro.wxs"
NS = "{http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions}"
WIX = "{http://schemas.microsoft.com/wix/2006/wi}"
# The package's public property of each machine setting it writes.
PROPERTIES = {"ExpireAfterMs": "EXPIRE_AFTER_MS", "OpenWarningSeconds": "OPEN_WARNING_SECONDS"}


def c_text(literal):
    """The text of a C++ u"..." literal body, its escapes undone."""
    return literal.replace("\\\\", "\\")


def read_settings():
    """The keys, the list names and the numbers {name: (lowest, highest,
    built-in)} that drawer_settings.h declares."""
    text = SETTINGS_HEADER.read_text(encoding="utf-8")
    strings = {name: c_text(value) for name, value in
               re.findall(r'char16_t (k\w+)\[\] = u"((?:[^"\\]|\\.)*)";', text)}
    numbers = {name: tuple(int(n) for n in limits) for name, *limits in
               re.findall(r'NumberSetting k\w+Setting = \{u"(\w+)", (\d+), (\d+), (\d+)\};', text)}
    listed = re.search(r"kNumberSettings\[\] = \{([^}]*)\}", text)[1]
    return {
        "policy_key": strings["kPolicySettingsKey"],
        "machine_key": strings["kMachineSettingsKey"],
        "lists": {strings["kDrawerStateViaList"], strings["kDrawerOpenLevelList"]},
        "numbers": numbers,
        "numbers_listed": len(re.findall(r"&k\w+Setting", listed)),
    }


def references(root, kind):
    """The ids of every $(kind.ID) the document's attributes name."""
    found = set()
    for element in root.iter():
        for value in element.attrib.values():
            found.update(re.findall(r"\$\(" + kind + r"\.(\w+)\)", value))
    return found


class PolicyTemplateTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.settings = read_settings()
        cls.admx = ElementTree.parse(ADMX).getroot()
        cls.adml = ElementTree.parse(ADML).getroot()
        cls.policies = list(cls.admx.iter(NS + "policy"))

    def test_the_header_is_read_whole(self):
        self.assertEqual(self.settings["policy_key"], "Software\\Policies\\kestro")
        self.assertEqual(len(self.settings["numbers"]), self.settings["numbers_listed"])
        self.assertEqual(len(self.settings["lists"]), 2)

    def test_every_string_and_presentation_named_exists_once(self):
        strings = [s.get("id") for s in self.adml.iter(NS + "string")]
        presentations = {p.get("id"): p for p in self.adml.iter(NS + "presentation")}
        self.assertEqual(len(strings), len(set(strings)))
        self.assertLessEqual(references(self.admx, "string"), set(strings))
        self.assertEqual(references(self.admx, "presentation"), set(presentations))
        # Each presentation shows exactly the elements of its policy.
        for policy in self.policies:
            named = re.fullmatch(r"\$\(presentation\.(\w+)\)", policy.get("presentation", ""))
            elements = {e.get("id") for e in policy.iter() if e.get("id")}
            shown = set() if not named else \
                {c.get("refId") for c in presentations[named[1]] if c.get("refId")}
            self.assertEqual(shown, elements, policy.get("name"))

    def test_every_policy_writes_a_value_the_program_reads_with_its_range(self):
        key = self.settings["policy_key"]
        numbers = {}
        lists = set()
        for policy in self.policies:
            name = policy.get("name")
            self.assertEqual((policy.get("class"), policy.get("key")), ("Machine", key), name)
            for decimal in policy.iter(NS + "decimal"):
                if decimal.get("valueName"):
                    numbers[decimal.get("valueName")] = (int(decimal.get("minValue")),
                                                         int(decimal.get("maxValue")))
            if policy.get("valueName"):
                values = [int(policy.find(f"{NS}{state}/{NS}decimal").get("value"))
                          for state in ("disabledValue", "enabledValue")]
                numbers[policy.get("valueName")] = tuple(values)
            for element in policy.iter(NS + "list"):
                self.assertEqual(element.get("key"), key + "\\" + element.get("id"), name)
                self.assertEqual(element.get("explicitValue"), "true", name)
                lists.add(element.get("id"))
        self.assertEqual(numbers, {name: limits[:2]
                                   for name, limits in self.settings["numbers"].items()})
        self.assertEqual(lists, self.settings["lists"])

    def test_the_defaults_shown_are_the_programs(self):
        defaults = {box.get("refId"): int(box.get("defaultValue"))
                    for box in self.adml.iter(NS + "decimalTextBox")}
        # An on/off policy shows no number.
        switches = {policy.get("valueName") for policy in self.policies}
        self.assertEqual(defaults, {name: limits[2]
                                    for name, limits in self.settings["numbers"].items()
                                    if name not in switches})

    def test_nothing_is_written_under_software_microsoft(self):
        for element in self.admx.iter():
            self.assertNotIn("software\\microsoft", element.get("key", "").lower())


class PackagePropertiesTest(unittest.TestCase):
    """The package's properties write the machine settings the program reads,
    and refuse values outside their ranges."""

    def test_each_property_writes_its_setting_within_the_programs_range(self):
        settings = read_settings()
        product = ElementTree.parse(WXS).getroot().find(WIX + "Product")
        written = {}
        for value in product.iter(WIX + "RegistryValue"):
            found = re.fullmatch(r"\[(\w+)\]", value.get("Value"))
            if found and found[1] in PROPERTIES.values():
                self.assertEqual((value.get("Root"), value.get("Key"), value.get("Type")),
                                 ("HKLM", settings["machine_key"], "integer"))
                written[value.get("Name")] = found[1]
        self.assertEqual(written, PROPERTIES)
        conditions = [c.text for c in product.findall(WIX + "Condition")]
        for name, property_name in PROPERTIES.items():
            lowest, highest, _ = settings["numbers"][name]
            self.assertIn(f"NOT {property_name} OR ({property_name} >= {lowest} AND "
                          f"{property_name} <= {highest})", conditions)


if __name__ == "__main__":
    unittest.main()
