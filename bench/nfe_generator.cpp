#include "nfe_generator.hpp"

namespace kelmar::bench {
namespace {

std::string item(std::size_t n) {
    const auto i = std::to_string(n);
    return "<det nItem=\"" + i + "\"><prod><cProd>" + i +
           "</cProd><cEAN/><xProd>Parafuso sextavado a\xE7o inox M8 lote " + i +
           "</xProd><NCM>73181500</NCM><CFOP>5102</CFOP><uCom>UN</uCom><qCom>100.0000</"
           "qCom><vUnCom>0.45</vUnCom>"
           "<vProd>45.00</vProd><cEANTrib/><uTrib>UN</uTrib><qTrib>100.0000</qTrib><vUnTrib>0.45</"
           "vUnTrib></prod>"
           "<imposto><ICMS><ICMS00><orig>0</orig><CST>00</CST><modBC>3</modBC><vBC>45.00</"
           "vBC><pICMS>17.00</pICMS>"
           "<vICMS>7.65</vICMS></ICMS00></ICMS><PIS><PISAliq><CST>01</CST><vBC>45.00</"
           "vBC><pPIS>1.65</pPIS>"
           "<vPIS>0.74</vPIS></PISAliq></PIS><COFINS><COFINSAliq><CST>01</CST><vBC>45.00</"
           "vBC><pCOFINS>7.60</pCOFINS>"
           "<vCOFINS>3.42</vCOFINS></COFINSAliq></COFINS></imposto></det>\r\n";
}

}  // namespace

std::string makeNfe(std::size_t targetBytes, const std::string& accessKey) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<NFe "
        "xmlns=\"http://www.portalfiscal.inf.br/nfe\">\r\n"
        "<infNFe Id=\"NFe" +
        accessKey +
        "\" versao=\"1.10\">\r\n<ide><cUF>42</cUF><cNF>000000001</cNF><natOp>Venda de "
        "produ\xE7\xE3o</natOp>"
        "<mod>55</mod><serie>1</serie><nNF>1</nNF><dEmi>2009-01-16</dEmi><tpAmb>2</tpAmb></ide>\r\n"
        "<emit><CNPJ>12345678000190</CNPJ><xNome>Ferragens S\xE3o Jo\xE3o &amp; Filhos "
        "Ltda</xNome></emit>\r\n"
        "<dest><CNPJ>98765432000110</CNPJ><xNome>Construtora A\xE7oriana S.A.</xNome></dest>\r\n";
    const std::string tail =
        "<total><ICMSTot><vNF>45.00</vNF></ICMSTot></total></infNFe>\r\n</NFe>\r\n";
    for (std::size_t n = 1; text.size() + tail.size() < targetBytes; ++n) {
        text += item(n);
    }
    return text + tail;
}

std::string makeBatchList(std::size_t entries) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<MontarLote>\n";
    for (std::size_t i = 0; i < entries; ++i) {
        text += "  <ArquivoNFe>4209011234567800019055001" +
                std::to_string(1000000000000000000ull + i) + "-nfe.xml</ArquivoNFe>\n";
    }
    return text + "</MontarLote>\n";
}

}  // namespace kelmar::bench
