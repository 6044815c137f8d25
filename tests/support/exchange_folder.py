"""Builds a demo exchange folder and queues realistic requests of every kind into it,
for the scripts that drive the headless runner from outside."""
import os
import time
from pathlib import Path

# The exchange folder's subfolders, from the list the scripts share.
SUBFOLDERS = (Path(__file__).resolve().parents[2] / "scripts" / "exchange-subfolders").read_text().split()
NS = "http://www.portalfiscal.inf.br/nfe"


def access_key(n):
    return f"42{n:042d}"


def nfe_document(key):
    items = "".join(
        f'<det nItem="{i}"><prod><cProd>{i:04d}</cProd><xProd>Parafuso sextavado {i}</xProd>'
        f"<qCom>10.0000</qCom><vProd>{i * 3}.50</vProd></prod></det>"
        for i in range(1, 4))
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n<NFe xmlns="{NS}">'
            f'<infNFe Id="NFe{key}" versao="1.10"><ide><cUF>42</cUF><nNF>{key[-6:]}</nNF></ide>'
            f"{items}</infNFe></NFe>\n")


def wine_path(path: Path) -> str:
    """How a Windows program running under Wine names a Linux path (drive Z: is /)."""
    return "Z:" + str(path).replace("/", "\\")


class Exchange:
    def __init__(self, root: Path, windows=False):
        self.root = root
        self.windows = windows
        self.folder = root / "nf_e"
        for sub in SUBFOLDERS:
            (self.folder / sub).mkdir(parents=True, exist_ok=True)
        (root / "erro_layout.err").write_text("Erro de esquema: elemento inesperado\n")
        (root / "erro_envio.err").write_text("Falha de comunicacao com a SEFAZ\n")
        self.config = root / "config.ini"
        self.config.write_text(f"[NFE]\nLOTE=204\nRECIBO=159092\nPROTOCOLO=589900\nPASTA={self.text(self.folder)}\n")
        self.expected = []  # (description, path that must exist at the end)
        self.serial = 0
        self.queried = set()

    def text(self, path: Path) -> str:
        """A path as the program under test names it."""
        return wine_path(path) if self.windows else str(path)

    def month(self):
        return time.strftime("%Y%m")

    def put(self, sub, name, content):
        # Requests appear whole, as a careful application writes them.
        target = self.folder / sub / name
        temporary = self.folder / sub / ("." + name + ".writing")
        temporary.write_text(content)
        os.replace(temporary, target)

    def queue_round(self, rng):
        for _ in range(rng.randint(8, 14)):
            self.serial += 1
            key = access_key(self.serial)
            self.put("envio", f"{key}-nfe.xml", nfe_document(key))
            self.expected.append((f"NF-e {key}", self.folder / "retorno" / f"{key}-num-lot.xml"))
        for _ in range(2):
            self.serial += 1
            key = access_key(self.serial)
            self.put("envio", f"c{self.serial}-ped-can.xml",
                     f'<?xml version="1.0"?><cancNFe xmlns="{NS}" versao="1.07">'
                     f'<infCanc Id="ID{key}"><tpAmb>2</tpAmb><chNFe>{key}</chNFe></infCanc></cancNFe>')
            self.expected.append((f"cancellation {key}", self.folder / "retorno" / f"{key}-can.xml"))
            self.put("envio", f"i{self.serial}-ped-inu.xml",
                     f'<?xml version="1.0"?><inutNFe xmlns="{NS}" versao="1.07">'
                     f'<infInut Id="ID4209{self.serial:011d}"><tpAmb>2</tpAmb></infInut></inutNFe>')
            self.expected.append((f"voiding {self.serial}",
                                  self.folder / "retorno" / f"4209{self.serial:011d}-inu.xml"))
        held = []
        for _ in range(3):
            self.serial += 1
            key = access_key(self.serial)
            self.put("envio_lote", f"{key}-nfe.xml", nfe_document(key))
            held.append(key)
            self.expected.append((f"held NF-e {key}", None))
        # Lists sort after the held NF-e, so the NF-e are archived when the list comes.
        entries = "".join(f"<ArquivoNFe>{key}-nfe.xml</ArquivoNFe>" for key in held)
        self.put("envio_lote", f"z{self.serial}-montar-lote.xml",
                 f'<?xml version="1.0"?><MontarLote>{entries}</MontarLote>')
        for key in held:
            self.expected.append((f"batched NF-e {key}", self.folder / "retorno" / f"{key}-num-lot.xml"))

    def queue_queries(self):
        for record in sorted((self.folder / "lotes").glob("*-lote-rec.xml")):
            receipt = record.name[: -len("-lote-rec.xml")]
            if receipt in self.queried:
                continue
            self.queried.add(receipt)
            self.put("envio", f"q{receipt}-ped-rec.xml",
                     f'<?xml version="1.0"?><consReciNFe xmlns="{NS}" versao="1.10">'
                     f"<tpAmb>2</tpAmb><nRec>{receipt}</nRec></consReciNFe>")
            self.expected.append((f"query {receipt}", self.folder / "retorno" / f"{receipt}-pro-rec.xml"))

    def waiting(self):
        return [p for sub in ("envio", "envio_lote") for p in (self.folder / sub).glob("*.xml")]
