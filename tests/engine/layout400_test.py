"""Runs the program with LEIAUTE=4.00 the way an invoicing application of today uses it
and checks every answer against the tax authority's published 4.00 schemas (and the
cancellation answer, which keeps the older layout, against that layout's schema). The
real requests of the shared sample folder are fed through as well.

The schemas and samples live beside the checkout in ../shared; without them the test is
skipped with a message, never passed."""
import argparse
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from exchange_folder import NS, access_key, wine_path  # noqa: E402

SKIPPED = 77
SHARED = Path(__file__).resolve().parents[3] / "shared"
SCHEMAS = SHARED / "schemas"
SAMPLES = SHARED / "nfe-samples"
N = "{" + NS + "}"
DSIG = "{http://www.w3.org/2000/09/xmldsig#}"

ARGUMENTS = argparse.ArgumentParser()
ARGUMENTS.add_argument("program")
ARGUMENTS.add_argument("--wine", metavar="RUNNER", help="run the Windows program through this")
OPTIONS = ARGUMENTS.parse_args()
PROGRAM = [OPTIONS.wine, str(Path(OPTIONS.program).resolve())] if OPTIONS.wine else \
    [str(Path(OPTIONS.program).resolve())]

# The schema of each answer root: (folder, file).
SCHEMA_OF = {
    "retEnviNFe": ("nfe-4.00", "retEnviNFe_v4.00.xsd"),
    "retConsReciNFe": ("nfe-4.00", "retConsReciNFe_v4.00.xsd"),
    "retInutNFe": ("nfe-4.00", "retInutNFe_v4.00.xsd"),
    "retCancNFe": ("nfe-1.10", "retCancNFe_v1.07.xsd"),
    "retEnvEvento": ("nfe-4.00", "retEnvEvento_v1.00.xsd"),
    "retConsStatServ": ("nfe-4.00", "retConsStatServ_v4.00.xsd"),
    "retConsSitNFe": ("nfe-4.00", "retConsSitNFe_v4.00.xsd"),
}
DATE = re.compile(r"20\d\d-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$")


def nfe(key, signed=True, wrap=None):
    """A 4.00 NF-e of that key; signed with a digest of its own, and wrapped in nfeProc or
    enviNFe when asked."""
    signature = (f'<Signature xmlns="http://www.w3.org/2000/09/xmldsig#"><SignedInfo>'
                 f'<Reference URI="#NFe{key}"><DigestValue>d{key[-6:]}AAAAAAAAAAAAAAAAAAAA='
                 f'</DigestValue></Reference></SignedInfo></Signature>') if signed else ""
    document = (f'<NFe xmlns="{NS}"><infNFe Id="NFe{key}" versao="4.00"><ide><cUF>42</cUF>'
                f'<nNF>{int(key[25:34])}</nNF></ide></infNFe>'
                f'<infNFeSupl><qrCode><![CDATA[https://example.test/qr?p={key}]]></qrCode>'
                f'</infNFeSupl>{signature}</NFe>')
    if wrap == "nfeProc":
        document = f'<nfeProc xmlns="{NS}" versao="4.00">{document}<protNFe versao="4.00"/></nfeProc>'
    elif wrap == "enviNFe":
        document = (f'<enviNFe xmlns="{NS}" versao="4.00"><idLote>1</idLote><indSinc>0</indSinc>'
                    f'{document}</enviNFe>')
    return '<?xml version="1.0" encoding="UTF-8"?>\n' + document


def query(receipt):
    return (f'<consReciNFe xmlns="{NS}" versao="4.00"><tpAmb>2</tpAmb><nRec>{receipt}</nRec>'
            f'</consReciNFe>')


VOIDING = (f'<inutNFe xmlns="{NS}" versao="4.00"><infInut Id="ID42261234567800019055001000000101'
           f'000000109"><tpAmb>2</tpAmb><xServ>INUTILIZAR</xServ><cUF>42</cUF><ano>26</ano>'
           f'<CNPJ>12345678000190</CNPJ><mod>55</mod><serie>1</serie><nNFIni>101</nNFIni>'
           f'<nNFFin>109</nNFFin><xJust>Numeracao pulada por falha do sistema</xJust></infInut>'
           f'</inutNFe>')
CANCELLATION = (f'<cancNFe xmlns="{NS}" versao="1.07"><infCanc Id="ID{access_key(9)}"><tpAmb>2'
                f'</tpAmb><chNFe>{access_key(9)}</chNFe></infCanc></cancNFe>')


class Folder:
    def __init__(self, root: Path, settings=""):
        self.root = root
        self.exchange = root / "nf_e"
        for sub in ["envio", "envio_lote", "retorno", "lotes", "tmp", "backup"]:
            (self.exchange / sub).mkdir(parents=True, exist_ok=True)
        (root / "erro_layout.err").write_text("Erro de esquema\n")
        (root / "erro_envio.err").write_text("Falha de envio\n")
        folder = wine_path(self.exchange) if OPTIONS.wine else str(self.exchange)
        (root / "config.ini").write_text(f"[NFE]\nPASTA={folder}\n{settings}")

    def put(self, sub, name, content):
        data = content if isinstance(content, bytes) else content.encode("utf-8")
        (self.exchange / sub / name).write_bytes(data)

    def drain(self, *extra):
        command = [*PROGRAM, "--headless", "--config", "config.ini", "--drain", *extra]
        done = subprocess.run(command, cwd=self.root, capture_output=True, timeout=300)
        # The program says why whenever it fails, and so do Wine's own crash reports: a
        # failure without a single byte comes from Wine itself, and is tried once more.
        if OPTIONS.wine and done.returncode != 0 and not done.stdout and not done.stderr:
            print(f"Wine ended the runner without a word (status {done.returncode}): once more")
            done = subprocess.run(command, cwd=self.root, capture_output=True, timeout=300)
        if done.returncode != 0:
            raise AssertionError(f"the runner failed with status {done.returncode}: {done.stdout!r} "
                                 f"{done.stderr!r}")
        return (done.stdout + done.stderr).decode("utf-8", "replace")

    def answer(self, name):
        return self.exchange / "retorno" / name

    def archived(self, name):
        months = list((self.exchange / "backup" / "Autorizados").iterdir())
        assert len(months) == 1, months
        return months[0] / name


def validate(path):
    """Validates an answer against its layout's schema; returns its parsed root."""
    root = ET.parse(path).getroot()
    name = root.tag.replace(N, "")
    folder, schema = SCHEMA_OF[name]
    done = subprocess.run(["xmllint", "--noout", "--schema", str(SCHEMAS / folder / schema),
                           str(path)], capture_output=True, text=True)
    if done.returncode != 0:
        raise AssertionError(f"{path.name} is not valid against {schema}:\n{done.stderr}")
    return root


def items(result):
    """(chNFe, cStat, nProt, Id, dhRecbto, digVal) of each protNFe of a result."""
    found = []
    for prot in result.findall(N + "protNFe"):
        info = prot.find(N + "infProt")
        found.append(tuple(info.findtext(N + f) for f in ["chNFe", "cStat", "nProt"]) +
                     (info.get("Id"), info.findtext(N + "dhRecbto"), info.findtext(N + "digVal")))
    return found


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def submit_and_query(folder, keys, documents, *options):
    """Submits each NF-e, then queries each receipt; the receipts and results, in order."""
    for key, document in zip(keys, documents):
        folder.put("envio", f"{key}-nfe.xml", document)
    folder.drain(*options)
    receipts = sorted(p.name[:-len("-lote-rec.xml")] for p in (folder.exchange / "lotes").glob(
        "*-lote-rec.xml"))
    for receipt in receipts:
        folder.put("envio", f"{receipt}-ped-rec.xml", query(receipt))
    folder.drain(*options)
    return receipts, [validate(folder.answer(f"{r}-pro-rec.xml")) for r in receipts]


# Each outcome of an NF-e: the options or rules that give it, and the item it must give.
OUTCOMES = [
    ("autorizado", [], "", ("100", "Autorizado o uso da NF-e", True)),
    ("denegado", ["--outcome", "denegado"], "",
     ("302", "Uso Denegado: Irregularidade fiscal do destinatario", True)),
    ("rejeitado", ["--outcome", "rejeitado"], "",
     ("227", "Rejeicao: Erro na Chave de Acesso - Campo ID", False)),
    ("rule's own code", [], "[CENARIOS]\nREGRA1=chave 42* -> rejeitado 539 Rejeicao: Duplicidade\n",
     ("539", "Rejeicao: Duplicidade", False)),
]


def test_outcomes(base):
    for name, options, rules, (status, reason, protocol) in OUTCOMES:
        folder = Folder(base / name.replace(" ", "-").replace("'", ""), "LEIAUTE=4.00\n" + rules)
        key = access_key(1)
        receipts, results = submit_and_query(folder, [key], [nfe(key)], *options)
        check(receipts == ["420000000159093"], f"{name}: receipts {receipts}")
        receipt = validate(folder.answer("000000000000205-rec.xml"))
        check(receipt.findtext(N + "infRec/" + N + "nRec") == receipts[0], f"{name}: nRec")
        check(DATE.match(receipt.findtext(N + "dhRecbto")), f"{name}: receipt date")
        (item,) = items(results[0])
        check(item[:2] == (key, status), f"{name}: item {item}")
        check(results[0].find(f"{N}protNFe/{N}infProt/{N}xMotivo").text == reason, f"{name}: reason")
        check(item[5] == f"d{key[-6:]}AAAAAAAAAAAAAAAAAAAA=", f"{name}: digVal {item[5]}")
        if protocol:
            check(re.fullmatch(r"142\d\d0000589901", item[2]) and item[3] == "ID" + item[2],
                  f"{name}: protocol {item}")
        else:
            check(item[2] is None and item[3] is None, f"{name}: a rejection has no protocol {item}")
        check(DATE.match(item[4]), f"{name}: item date {item[4]}")
        # Asked again, the batch gives the very same items: nothing moves.
        folder.put("envio", f"{receipts[0]}-ped-rec.xml", query(receipts[0]))
        folder.drain(*options)
        check(items(validate(folder.answer(f"{receipts[0]}-pro-rec.xml"))) == [item],
              f"{name}: a repeated query changed the result")
        settings = (folder.root / "config.ini").read_text()
        check(("PROTOCOLO=589901" in settings) == protocol, f"{name}: counters {settings}")


def test_batch_forms(base):
    """A batch assembled from held NF-e, not yet processed, an empty batch, and the NF-e
    wrapped the ways applications send them."""
    folder = Folder(base / "forms", "LEIAUTE=4.00\n")
    keys = [access_key(n) for n in (21, 22, 23)]
    folder.put("envio_lote", f"{keys[0]}-nfe.xml", nfe(keys[0], wrap="nfeProc"))
    folder.put("envio_lote", f"{keys[1]}-nfe.xml", nfe(keys[1], signed=False))
    entries = "".join(f"<ArquivoNFe>{k}-nfe.xml</ArquivoNFe>" for k in keys[:2])
    folder.put("envio_lote", "z-montar-lote.xml", f"<MontarLote>{entries}</MontarLote>")
    folder.put("envio", f"{keys[2]}-nfe.xml", nfe(keys[2], wrap="enviNFe"))
    folder.drain()
    records = sorted(p.name[:-len("-lote-rec.xml")] for p in (folder.exchange / "lotes").glob(
        "*-lote-rec.xml"))
    check(len(records) == 2, f"records {records}")
    folder.put("envio", "a-ped-rec.xml", query(records[0]))
    folder.drain("--outcome", "nao-processado")
    waiting = validate(folder.answer(f"{records[0]}-pro-rec.xml"))
    check(waiting.findtext(N + "cStat") == "105" and not items(waiting), "not yet processed")
    check(waiting.findtext(N + "xMotivo") == "Lote em processamento", "105's text")
    for receipt in records:
        folder.put("envio", f"{receipt}-ped-rec.xml", query(receipt))
    folder.put("envio", "999-ped-rec.xml", query("420000000000999"))
    (folder.exchange / "lotes" / "420000000000999-lote-rec.xml").write_text(
        '<?xml version="1.0" encoding="UTF-8"?><retConsReciNFe/>')
    folder.drain()
    keys_given = sorted(item[0] for r in records for item in items(validate(
        folder.answer(f"{r}-pro-rec.xml"))))
    check(keys_given == sorted(keys), f"keys {keys_given}")
    digests = {item[0]: item[5] for r in records for item in items(ET.parse(
        folder.answer(f"{r}-pro-rec.xml")).getroot())}
    check(digests[keys[1]] is None, "an NF-e without a signature has no digVal")
    check(digests[keys[0]] == f"d{keys[0][-6:]}AAAAAAAAAAAAAAAAAAAA=", "digVal of a held NF-e")
    empty = validate(folder.answer("420000000000999-pro-rec.xml"))
    check(empty.findtext(N + "cStat") == "104" and not items(empty), "an empty batch")
    for key in keys:
        copy = ET.parse(folder.archived(f"{key}-nfe.xml")).getroot()
        check(copy.tag == N + "NFe" and copy.find(N + "infNFe").get("Id") == "NFe" + key,
              f"archive copy of {key}")
        check(copy.find(N + "infNFeSupl") is not None, "infNFeSupl kept")
        check(len(copy.findall(DSIG + "Signature")) == 1, "one signature")


def test_voiding_and_cancellation(base):
    folder = Folder(base / "protocols", "LEIAUTE=4.00\n")
    folder.put("envio", "i-ped-inu.xml", VOIDING)
    folder.put("envio", "c-ped-can.xml", CANCELLATION)
    folder.drain()
    voided = validate(folder.answer("42261234567800019055001000000101000000109-inu.xml"))
    info = voided.find(N + "infInut")
    check([info.findtext(N + f) for f in ["cStat", "ano", "CNPJ", "mod", "serie", "nNFIni",
                                          "nNFFin"]] ==
          ["102", "26", "12345678000190", "55", "1", "101", "109"], "voiding numbers")
    check(info.get("Id") == "ID" + info.findtext(N + "nProt"), "voiding Id")
    cancelled = validate(folder.answer(f"{access_key(9)}-can.xml"))
    check(cancelled.get("versao") == "1.07", "cancellation keeps its layout")


def event(key, kind, sequence=1):
    return (f'<envEvento xmlns="{NS}" versao="1.00"><idLote>7</idLote><evento versao="1.00">'
            f'<infEvento Id="ID{kind}{key}{sequence:02d}"><cOrgao>42</cOrgao><tpAmb>2</tpAmb>'
            f'<CNPJ>12345678000190</CNPJ><chNFe>{key}</chNFe>'
            f'<dhEvento>2026-12-09T10:00:00-03:00</dhEvento><tpEvento>{kind}</tpEvento>'
            f'<nSeqEvento>{sequence}</nSeqEvento><verEvento>1.00</verEvento>'
            f'<detEvento versao="1.00"><descEvento>Evento</descEvento></detEvento></infEvento>'
            f'</evento></envEvento>')


def situation(key):
    return (f'<consSitNFe xmlns="{NS}" versao="4.00"><tpAmb>2</tpAmb><xServ>CONSULTAR</xServ>'
            f'<chNFe>{key}</chNFe></consSitNFe>')


STATUS = (f'<consStatServ xmlns="{NS}" versao="4.00"><tpAmb>2</tpAmb><cUF>42</cUF>'
          f'<xServ>STATUS</xServ></consStatServ>')
CANCEL, CORRECT = "110111", "110110"
KEY, DENIED_KEY, UNKNOWN_KEY = access_key(31), access_key(32), access_key(33)

# The road of one NF-e: each step's request, its answer and the codes it must give (the
# result's own cStat first, then each item's).
ROAD = [
    ("status", "s-ped-sta.xml", STATUS, "s-sta.xml", ["107"]),
    ("situation, authorised", "a-ped-sit.xml", situation(KEY), "a-sit.xml", ["100", "100"]),
    ("correction letter", "b-ped-eve.xml", event(KEY, CORRECT), "b-eve.xml", ["128", "135"]),
    ("the same sequence again", "c-ped-eve.xml", event(KEY, CORRECT), "c-eve.xml",
     ["128", "573"]),
    ("cancellation", "d-ped-eve.xml", event(KEY, CANCEL), "d-eve.xml", ["128", "135"]),
    ("situation, cancelled", "e-ped-sit.xml", situation(KEY), "e-sit.xml", ["101", "100"]),
    ("cancellation again", "f-ped-eve.xml", event(KEY, CANCEL), "f-eve.xml", ["128", "573"]),
    ("unknown key", "g-ped-eve.xml", event(UNKNOWN_KEY, CANCEL), "g-eve.xml", ["128", "217"]),
    ("situation, unknown", "h-ped-sit.xml", situation(UNKNOWN_KEY), "h-sit.xml", ["217"]),
    ("denied NF-e cancelled", "i-ped-eve.xml", event(DENIED_KEY, CANCEL), "i-eve.xml",
     ["128", "205"]),
    ("situation, denied", "j-ped-sit.xml", situation(DENIED_KEY), "j-sit.xml", ["302", "302"]),
]


def codes(root):
    found = [root.findtext(N + "cStat")]
    found += [e.findtext(f"{N}infEvento/{N}cStat") for e in root.findall(N + "retEvento")]
    found += [e.findtext(f"{N}infProt/{N}cStat") for e in root.findall(N + "protNFe")]
    return found


def test_road_of_one_nfe(base):
    folder = Folder(base / "road", "LEIAUTE=4.00\n")
    submit_and_query(folder, [KEY], [nfe(KEY)])
    submit_and_query(folder, [DENIED_KEY], [nfe(DENIED_KEY)], "--outcome", "denegado")
    authorised = items(ET.parse(folder.answer("420000000159093-pro-rec.xml")).getroot())[0]
    for step, name, request, answer, expected in ROAD:
        folder.put("envio", name, request)
        folder.drain()
        root = validate(folder.answer(answer))
        check(codes(root) == expected, f"{step}: {codes(root)}, not {expected}")
        if step.startswith("situation, ") and expected[0] != "217":
            # The very protocol and date the receipt query gave.
            check(items(root)[0][1:5] == authorised[1:5] or step.endswith("denied"), step)
    process = validate(folder.answer("e-sit.xml")).find(N + "procEventoNFe")
    check(process.findtext(f"{N}evento/{N}infEvento/{N}tpEvento") == CANCEL and
          process.findtext(f"{N}retEvento/{N}infEvento/{N}nProt") ==
          validate(folder.answer("d-eve.xml")).findtext(f"{N}retEvento/{N}infEvento/{N}nProt"),
          "the cancellation's event and answer in the situation")
    # Killed between remembering an event and answering it (here: its answer cannot be
    # written), the retry answers it as registered, with the same number, not as its own
    # duplicate.
    config = folder.root / "config.ini"
    blocker = folder.answer("x-eve.xml")
    blocker.mkdir()
    folder.put("envio", "x-ped-eve.xml", event(KEY, CORRECT, 2))
    failed = subprocess.run([*PROGRAM, "--headless", "--config", "config.ini", "--ticks", "1"],
                            cwd=folder.root, capture_output=True, timeout=300)
    check(failed.returncode == 1, "the blocked answer fails the tick")
    taken = re.search(r"PROTOCOLO=(\d+)", config.read_text()).group(1)
    blocker.rmdir()
    folder.drain()
    retried = validate(folder.answer("x-eve.xml"))
    check(codes(retried) == ["128", "135"], f"the retried event: {codes(retried)}")
    check(retried.findtext(f"{N}retEvento/{N}infEvento/{N}nProt").endswith(taken) and
          re.search(r"PROTOCOLO=(\d+)", config.read_text()).group(1) == taken,
          "the retry took another number")
    # With the service down, the status says so and submissions take the send-failure road.
    config.write_text(config.read_text() + "[CENARIOS]\nSERVICO=paralisado\n")
    folder.put("envio", "k-ped-sta.xml", STATUS)
    folder.put("envio", f"{access_key(34)}-nfe.xml", nfe(access_key(34)))
    folder.drain()
    check(codes(validate(folder.answer("k-sta.xml"))) == ["108"], "SERVICO=paralisado")
    check(folder.answer("000000000000207-rec.err").exists(), "a submission while paralysed")
    # The real event requests are answered validly.
    for sample in sorted(SAMPLES.glob("*_can_*.xml")):
        if "<envEvento" in sample.read_text(encoding="utf-8", errors="replace"):
            folder.put("envio", "real-" + sample.stem + "-ped-eve.xml", sample.read_bytes())
    folder.drain()
    answered = list((folder.exchange / "retorno").glob("real-*-eve.xml"))
    check(len(answered) >= 3, f"only {len(answered)} real events answered")
    for path in answered:
        validate(path)


def test_project_samples(base):
    """The sample requests of the project, each kind of today's layout, give valid answers."""
    samples = Path(__file__).resolve().parents[2] / "samples" / "requests"
    folder = Folder(base / "project-samples", "LEIAUTE=4.00\n")
    key = "42090112345678000190550010000000011000000010"
    submit_and_query(folder, [key], [(samples / f"{key}-nfe.xml").read_bytes()])
    names = [p.name for p in samples.glob("*-ped-[es][vti][eat].xml")]
    check(len(names) == 4, f"samples of today's layout: {names}")
    for name in names:
        folder.put("envio", name, (samples / name).read_bytes())
    folder.drain()
    for name in names:
        answer = name.replace("-ped-", "-")
        given = codes(validate(folder.answer(answer)))
        check({"107", "135", "101"} & set(given), f"{answer}: {given}")


def test_default_layout_passes_them_over(base):
    folder = Folder(base / "default")
    folder.put("envio", "s-ped-sta.xml", STATUS)
    first = folder.drain()
    second = folder.drain()
    check(not folder.answer("s-sta.xml").exists(), "answered in layout 1.10")
    check((folder.exchange / "envio" / "s-ped-sta.xml").exists(), "the request is kept")
    check("leiaute 4.00" in first + second and (first + second).count("s-ped-sta.xml") == 2,
          f"one message per run: {first!r} {second!r}")


def canonical(element):
    text = ET.tostring(element, encoding="unicode").replace("\n", "").replace("\r", "")
    return ET.canonicalize(text, strip_text=True)


def first_nfe(root):
    level = [root]
    while level:
        for element in level:
            if element.tag.endswith("}NFe"):
                return element
        level = [child for element in level for child in element]
    return None


def test_real_samples(base):
    """Every real NF-e of the samples with a proper access key: the key found, valid
    answers, and the archive holding the NFe as it was sent."""
    samples = []
    for path in sorted(SAMPLES.glob("*.xml")) + sorted((SAMPLES / "derived").glob("*.xml")):
        if not re.match(r"(\d+_(nfe|proc)|D\d+_nfe)_", path.name):
            continue
        try:
            sent = first_nfe(ET.parse(path).getroot())
        except ET.ParseError:
            continue  # not well-formed: nothing to compare the archive copy with
        info = sent.find(N + "infNFe") if sent is not None else None
        key = (info.get("Id") or "")[3:] if info is not None else ""
        if re.fullmatch(r"\d{44}", key) and key not in [k for k, _, _ in samples]:
            samples.append((key, path, sent))
    check(len(samples) >= 25, f"only {len(samples)} samples with a proper key")
    folder = Folder(base / "samples", "LEIAUTE=4.00\n")
    receipts, results = submit_and_query(folder, [k for k, _, _ in samples],
                                         [p.read_bytes() for _, p, _ in samples])
    check(len(results) == len(samples), f"{len(results)} results for {len(samples)} NF-e")
    given = sorted(item[0] for result in results for item in items(result))
    check(given == sorted(k for k, _, _ in samples), "the keys answered")
    for key, path, sent in samples:
        copy = ET.parse(folder.archived(f"{key}-nfe.xml")).getroot()
        if sent.find(DSIG + "Signature") is None:
            copy.remove(copy.find(DSIG + "Signature"))  # the one the archive adds
        check(canonical(copy) == canonical(sent), f"{path.name}: the archive copy differs")


def main():
    missing = [p for p in (SCHEMAS / "nfe-4.00", SCHEMAS / "nfe-1.10", SAMPLES) if not p.is_dir()]
    if missing:
        print(f"skipped: {', '.join(map(str, missing))} not found (the shared schemas and samples "
              "sit beside the checkout)")
        return SKIPPED
    if shutil.which("xmllint") is None:
        raise AssertionError("xmllint is missing: run scripts/install-deps.sh tests")
    with tempfile.TemporaryDirectory() as folder:
        base = Path(folder)
        test_outcomes(base)
        test_batch_forms(base)
        test_voiding_and_cancellation(base)
        test_real_samples(base)
        test_road_of_one_nfe(base)
        test_project_samples(base)
        test_default_layout_passes_them_over(base)
    print("layout 4.00 answers valid")
    return 0


if __name__ == "__main__":
    sys.exit(main())
