#include "nfe_files.hpp"

#include <cstdio>
#include <fstream>

namespace kelmar::bench {
namespace {

const char* const kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
    "<infNFe Id=\"NFe42090112345678000190550010000012341000012345\" versao=\"1.10\">"
    "<ide><cUF>42</cUF><cNF>000012345</cNF><natOp>VENDA DE MERCADORIA</natOp><indPag>0</indPag>"
    "<mod>55</mod><serie>1</serie><nNF>1234</nNF><dEmi>2009-01-16</dEmi><tpNF>1</tpNF>"
    "<cMunFG>4205407</cMunFG><tpImp>1</tpImp><tpEmis>1</tpEmis><cDV>5</cDV><tpAmb>2</tpAmb>"
    "<finNFe>1</finNFe><procEmi>0</procEmi><verProc>1.0.0</verProc></ide>"
    "<emit><CNPJ>12345678000190</CNPJ><xNome>EMPRESA DE TESTE LTDA</xNome>"
    "<enderEmit><xLgr>RUA DAS FLORES</xLgr><nro>100</nro><xBairro>CENTRO</xBairro>"
    "<cMun>4205407</cMun><xMun>FLORIANOPOLIS</xMun><UF>SC</UF><CEP>88010000</CEP>"
    "<cPais>1058</cPais><xPais>BRASIL</xPais><fone>4833334444</fone></enderEmit>"
    "<IE>250000000</IE><CRT>3</CRT></emit>"
    "<dest><CNPJ>98765432000110</CNPJ><xNome>CLIENTE EXEMPLO S.A.</xNome>"
    "<enderDest><xLgr>AVENIDA BRASIL</xLgr><nro>2000</nro><xBairro>JARDIM</xBairro>"
    "<cMun>3550308</cMun><xMun>S\xC3\x83O PAULO</xMun><UF>SP</UF><CEP>01430000</CEP>"
    "<cPais>1058</cPais><xPais>BRASIL</xPais></enderDest><IE>110042490114</IE></dest>";

const char* const kTail =
    "<total><ICMSTot><vBC>0.00</vBC><vICMS>0.00</vICMS><vBCST>0.00</vBCST><vST>0.00</vST>"
    "<vProd>0.00</vProd><vFrete>0.00</vFrete><vSeg>0.00</vSeg><vDesc>0.00</vDesc><vII>0.00</vII>"
    "<vIPI>0.00</vIPI><vPIS>0.00</vPIS><vCOFINS>0.00</vCOFINS><vOutro>0.00</vOutro>"
    "<vNF>0.00</vNF></ICMSTot></total><transp><modFrete>0</modFrete></transp>"
    "<infAdic><infCpl>DOCUMENTO EMITIDO EM AMBIENTE DE HOMOLOGA\xC3\x87\xC3\x83O - SEM VALOR "
    "FISCAL</infCpl></infAdic></infNFe>"
    "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
    "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
    "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"
    "<Reference URI=\"#NFe42090112345678000190550010000012341000012345\"><Transforms>"
    "<Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
    "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
    "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"
    "<DigestValue>vT2Fq7L2vQ0mJfZ0n8r1bT9Q3kE=</DigestValue></Reference></SignedInfo>"
    "<SignatureValue>";

const char* const kSignatureEnd =
    "</SignatureValue><KeyInfo><X509Data><X509Certificate>MIIFazCCBFOgAwIBAgIQW</X509Certificate>"
    "</X509Data></KeyInfo></Signature></NFe>";

}  // namespace

std::string nfeItem(int n) {
    char item[2048];
    const double quantity = 1 + n % 7;
    const double price = 10.0 + (n % 97) * 1.25;
    const double total = quantity * price;
    std::snprintf(
        item, sizeof item,
        "<det nItem=\"%d\"><prod><cProd>%07d</cProd><cEAN>789%010d</cEAN>"
        "<xProd>PRODUTO DE TESTE N\xC2\xBA %d - PARAFUSO SEXTAVADO ZINCADO</xProd>"
        "<NCM>73181500</NCM><CFOP>5102</CFOP><uCom>UN</uCom><qCom>%.4f</qCom>"
        "<vUnCom>%.4f</vUnCom><vProd>%.2f</vProd><cEANTrib>789%010d</cEANTrib><uTrib>UN</uTrib>"
        "<qTrib>%.4f</qTrib><vUnTrib>%.4f</vUnTrib></prod><imposto><ICMS><ICMS00><orig>0</orig>"
        "<CST>00</CST><modBC>3</modBC><vBC>%.2f</vBC><pICMS>17.00</pICMS><vICMS>%.2f</vICMS>"
        "</ICMS00></ICMS><IPI><cEnq>999</cEnq><IPITrib><CST>50</CST><vBC>%.2f</vBC>"
        "<pIPI>5.00</pIPI><vIPI>%.2f</vIPI></IPITrib></IPI><PIS><PISAliq><CST>01</CST>"
        "<vBC>%.2f</vBC><pPIS>1.65</pPIS><vPIS>%.2f</vPIS></PISAliq></PIS><COFINS><COFINSAliq>"
        "<CST>01</CST><vBC>%.2f</vBC><pCOFINS>7.60</pCOFINS><vCOFINS>%.2f</vCOFINS>"
        "</COFINSAliq></COFINS></imposto></det>",
        n, n, n, n, quantity, price, total, n, quantity, price, total, total * 0.17, total,
        total * 0.05, total, total * 0.0165, total, total * 0.076);
    return item;
}

std::size_t writeNfeFile(const std::filesystem::path& path, std::size_t minimumSize) {
    std::ofstream out(path, std::ios::binary);
    std::string text = kHead;
    for (int n = 1; text.size() + 2048 < minimumSize || n == 1; ++n) {
        text += nfeItem(n);
        if (text.size() > (std::size_t{1} << 22)) {
            out << text;
            minimumSize -= text.size();
            text.clear();
        }
    }
    text += kTail;
    for (int i = 0; i < 4; ++i) {
        text += "kQ3f0Vbq1O8sZ9Jm2hYt5XcA7pLw4RnE6uDi0GzKvBoTsMyHjNaWeCxUlFgPrIdQ";
    }
    text += kSignatureEnd;
    out << text;
    out.close();
    return std::filesystem::file_size(path);
}

std::size_t writeBatchList(const std::filesystem::path& path, int entries) {
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<LoteNFe>\r\n";
    char line[160];
    for (int i = 0; i < entries; ++i) {
        std::snprintf(line, sizeof line,
                      "  <ArquivoNFe>4209011234567800019055001%09d1%08d-nfe.xml</ArquivoNFe>\r\n",
                      i, i);
        out << line;
    }
    out << "</LoteNFe>\r\n";
    out.close();
    return std::filesystem::file_size(path);
}

}  // namespace kelmar::bench
