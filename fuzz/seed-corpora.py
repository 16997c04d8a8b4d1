#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz corpora from the tests' fixtures: the service answers in tests/data,
the JSON literals of the test sources, the date-times the date tests read, and the public JSON parsing suite
when it is at hand. Each seed carries its target's leading selector byte. Run from the repository root; the
files are named by their content's hash, so running it again adds nothing twice."""
import hashlib
import json
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"
SUITE = ROOT.parent / "shared" / "testdata" / "JSONTestSuite" / "test_parsing"

# The selectors of fuzz_wire_models.cpp, in its table's order.
WIRE = ["LoginResponse", "MeResponse", "ProfileResponse", "LearningPathView", "LearningItemDetail",
        "CompleteResult", "InboxList", "EntitlementStatus", "SkuItems", "OrderItems", "PayStart", "StudyReport",
        "QuestionSnapshot", "VariantQuestion", "ChapterList", "KnowledgePointList", "TopicResolution",
        "PracticeQuestionList", "OnboardingOverview", "LearningProfile", "CompanionSettings",
        "LearningPlanSummary", "StudyLimits", "MemoryList", "ApiErrorBody", "RobotCatalog", "ParseObject",
        "ParseArray"]
AS_IS = 0x80


def wire(name, as_is=False):
    return WIRE.index(name) | (AS_IS if as_is else 0)


def put(target, selector, body):
    if isinstance(body, str):
        body = body.encode()
    data = bytes([selector]) + body if selector is not None else body
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / ("seed-" + hashlib.sha1(data).hexdigest()[:16])).write_bytes(data)


def literals(path):
    """The raw string literals of a test source, adjacent pieces joined."""
    text = path.read_text(encoding="utf-8")
    for match in re.finditer(r'R"\((.*?)\)"(?:\s*R"\((.*?)\)")*', text, re.S):
        pieces = re.findall(r'R"\((.*?)\)"', match.group(0), re.S)
        yield "".join(pieces)


def json_literals(path):
    for text in literals(path):
        stripped = text.strip()
        if stripped[:1] in "{[" and len(stripped) < 4000:
            yield stripped


# Fixture answers, each to the model that reads it.
DATA = {
    "auth/grant.json": [("LoginResponse", False)],
    "auth/code-sent.json": [("ParseObject", False)],
    "home/inbox-message.json": [],
    "home/study-report.json": [("StudyReport", False)],
    "learning/chapters.json": [("ChapterList", False)],
    "learning/topic-one-candidate.json": [("TopicResolution", False)],
    "learning/path-rational-numbers.json": [("LearningPathView", False)],
    "learning/lesson-number-line.json": [("LearningItemDetail", False)],
    "learning/complete.json": [("CompleteResult", False)],
    "learning/question-request.json": [("ParseObject", False)],
    "learning/points.json": [("KnowledgePointList", False)],
}
for relative, models in DATA.items():
    body = (ROOT / "tests" / "data" / relative).read_bytes()
    for model, as_is in models:
        put("wire_models", wire(model, as_is), body)
inbox_message = (ROOT / "tests" / "data" / "home" / "inbox-message.json").read_text(encoding="utf-8").strip()
put("wire_models", wire("InboxList"), "[" + inbox_message + "]")
put("inbox_dates", 0, "[" + inbox_message + "]")
put("inbox_dates", 0, "[" + inbox_message + "," + inbox_message.replace('"read": false', '"read": true') + "]")
put("handout", 0, (ROOT / "tests" / "data" / "learning" / "lesson-number-line.json").read_bytes())
lesson = json.loads((ROOT / "tests" / "data" / "learning" / "lesson-number-line.json").read_text(encoding="utf-8"))
if isinstance(lesson, dict) and isinstance(lesson.get("handout"), dict):
    put("handout", 1, json.dumps(lesson["handout"], ensure_ascii=False))

# JSON literals of the test sources, by the folder that tests the model.
BY_SOURCE = [
    ("tests/core/tst_authapiclient.cpp", "wire_models", [wire("LoginResponse"), wire("MeResponse"),
                                                        wire("ProfileResponse")]),
    ("tests/platform/tst_jsonreader.cpp", "wire_models", [wire("ParseObject"), wire("ParseObject", True)]),
    ("tests/membership/tst_membershipapiclient.cpp", "wire_models",
     [wire("EntitlementStatus"), wire("SkuItems"), wire("OrderItems"), wire("PayStart")]),
    ("tests/home/tst_studyreport.cpp", "wire_models", [wire("StudyReport")]),
    ("tests/learning/tst_learningmodels.cpp", "wire_models",
     [wire("LearningPathView"), wire("LearningItemDetail"), wire("CompleteResult")]),
    ("tests/companion/tst_companionsettings.cpp", "wire_models", [wire("CompanionSettings")]),
    ("tests/companion/tst_learningplan.cpp", "wire_models", [wire("LearningPlanSummary")]),
    ("tests/settings/tst_studylimits.cpp", "wire_models", [wire("StudyLimits")]),
    ("tests/home/tst_homelayoutmodels.cpp", "flexible_documents", [0]),
    ("tests/home/tst_homelayoutapiclient.cpp", "flexible_documents", [0]),
    ("tests/settings/tst_settingsdocument.cpp", "flexible_documents", [1]),
    ("tests/settings/tst_settingsrows.cpp", "flexible_documents", [1]),
    ("tests/home/tst_inboxclient.cpp", "inbox_dates", [0]),
    ("tests/home/tst_homeinboxviewmodel.cpp", "inbox_dates", [0]),
    ("tests/learning/tst_handoutrenderer.cpp", "handout", [1]),
    ("tests/learning/tst_lessonsections.cpp", "handout", [0]),
    ("tests/learning/tst_learningitemdetail.cpp", "handout", [0]),
]
for source, target, selectors in BY_SOURCE:
    path = ROOT / source
    if not path.exists():
        continue
    for body in json_literals(path):
        for selector in selectors:
            put(target, selector, body)

# Flexible values: every scalar and the shapes read as null.
for value in ['true', '1', '-0', '1e308', '"1"', 'null', '[1]', '{"a":1}', '2.5', '""']:
    put("flexible_documents", 2, value)

# Date-times the date tests read, good and bad.
for source in ["tests/platform/tst_internetdatetime.cpp", "tests/home/tst_inboxtimetext.cpp"]:
    path = ROOT / source
    if path.exists():
        for text in set(re.findall(r'"(\d{4}-[^"]{0,40})"', path.read_text(encoding="utf-8"))):
            put("inbox_dates", 1, text)

# The chat's events: each table row of the stream tests as one event, and a whole turn.
stream_tests = ROOT / "tests" / "companion" / "tst_companionstream.cpp"
rows = re.findall(r'<< "([a-z_]+)"\s*<< QByteArray\(((?:\s*R"\(.*?\)")+|"[^"]*")\)', stream_tests.read_text(
    encoding="utf-8"), re.S)
for name, data in rows:
    pieces = re.findall(r'R"\((.*?)\)"', data, re.S) or [data.strip('"')]
    put("companion_events", None, "event: " + name + "\ndata: " + "".join(pieces) + "\n\n")
put("companion_events", None,
    'event: hint\ndata: {"level":1,"max_level":3,"label":"a"}\n\nevent: delta\ndata: {"text":"x"}\r\n\r\n'
    'event: confirm\ndata: {"skill":"path.create","title":"t","args":{"chapter_id":3}}\n\n'
    'event: done\ndata: {"model":"m","degraded":true}\n\n')

# The public JSON parsing suite: every file as a body for the strict reader and one model.
if SUITE.exists():
    for path in sorted(SUITE.glob("*.json")):
        put("wire_models", wire("ParseObject"), path.read_bytes())
else:
    print("no JSON parsing suite at", SUITE, file=sys.stderr)

# The text reader's framing: replies (selector 0) and request headers (selector 1), good and cut short.
def u32(*values):
    return b"".join(v.to_bytes(4, "little", signed=v < 0) for v in values)


REPLY, REQUEST = 0x51564c61, 0x51564c71
first, second = "第一行".encode(), b"A.4 B.0"
two_lines = u32(REPLY, 0, 2) + u32(120, len(first)) + first + u32(-3, len(second)) + second
for reply in [u32(REPLY, 1, 0), u32(REPLY, 2, 0), u32(REPLY, 3, 0), two_lines, two_lines[:-2],
              u32(REPLY, 0, 0xffffffff), u32(REPLY, 0, 1, 0, 0x7fffffff)]:
    put("text_reader", 0, reply)
for header in [u32(REQUEST, 0, 2400, 1800), u32(REQUEST, 1, 1, 1), u32(REQUEST, 0, 0xffffffff, 0xffffffff),
               u32(REQUEST, 2, 10, 10), u32(REQUEST, 0, 10)]:
    put("text_reader", 1, header)

for folder in sorted(CORPUS.iterdir()):
    print(folder.name, len(list(folder.iterdir())))
