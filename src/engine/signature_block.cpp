#include "engine/signature_block.hpp"

#include <string_view>

namespace kelmar::engine {
namespace {

constexpr std::string_view kCanonicalXml = "http://www.w3.org/TR/2001/REC-xml-c14n-20010315";

// Sample values of the right form and length. Nothing reads or checks them: the archive
// copy only has to look like a signed NF-e.
constexpr std::string_view kSampleAccessKey = "42090100000000000000550010000000010000000019";
constexpr std::string_view kDigestValue = "kk7gG5HBwVHmodRf+0A1DMWAGCI=";
constexpr std::string_view kSignatureValue =
    "o/oRF/okhAs0ingiQvhyMK1pxcZ7q+QqrF0Q4rZm7Rd6SDT9gJAkwCVC4VJnX6h18/fWLoxhqTNlSBe4VREqrO1G"
    "H7CrJUQClN7BuJfXaWMqhSeLqRMvUl+Dc+9wMPhGWQR+PDKFfgNLjA9YJSPym2Ek43ag1QTrF3S5ofDmXdY=";
constexpr std::string_view kCertificate =
    "s2rw9cd/a6SYAgpGkISwcytbywBsPJjmu6UEKmCHjgpupesJ45FURwKjOveGQ2xU0AKiKYuipnACpjI+uWvlnmiL"
    "BCsZPXwwoNq6KPebh69763xROmUWVbd0YBfdLPkiCLerhpvxPtIu3/zw8VCuA1F0CvhIdZikF1MoKmCe/mAZnmnm"
    "Ok107Gc+9rAw71NJkoC0aGwf+bwlnQO0AssXg4zqUowV/7N0m/izEXBgdZsFGMBcDn/GZkHtg0bPrUpGLuwnyrSV"
    "bypji4TJaFq8O4Z6EtZglzepjvVfoQGQwvu243BHeqz0lJA2u4NvCGXRxkQD/QteGde9SbURVcvEEH1NJ/Ot2WDV"
    "ixC53DoaBfb74Gue0wnaKptg/k/StSiHdkvLD4DMZCG7xVgUNYT4UV21ldZ4xhOo9tfxT+02IRrzy7BTrajCHeFV"
    "gFwnUn0tNwTXP3CdV/5CxFntST8qLaCFXA7t9SQCn1wxRDh9OB4CHfQUub3dg+ohr/+uwE+IBzeey1E31Bu85dr2"
    "hcAeMF0SdmRVMKQXn+eUzcaPsPW89oR7MeT0qv/+il6dxQl3V7Rj3FFNHWxopAj3o4aqsqkqDLfI0hA7cStQXKYq"
    "sAjO7lbLToAsKi28cTHzBigbL+dIs0WzTesBs15Ou7N+2OtetNXNG9NnVFI54qgb3HCeU95Lk8MCOxIiD8vdJalr"
    "9cadcBVrqstdONT7T5yCMErQGyEUjyoTV98skNpcylXym8v8MdhdBLbpz3dC088hwTBuWdOA55AlL7qnBcdIfPVn"
    "M7uq/IqGUjT9kFTnd6Nqy9UrzsTlBH/dnSHdu4Sag7jOj/Nx8BM02dH3zzJymAzRx+khw+OPSMizpPINmk9GiI6b"
    "t3YhisYvx1bFX8Ii1E8xFiQjvJ2tKbgP2koI54Sf69GS5+/qnA4mi8w0kdm+9AahrA8oQcnX+JgopeZ2UD5Je+3V"
    "zTiuNrjSvHDPrICjwTsDCwHFh7lmDWLWOg5Rs9CePZpVHHVgsVlB5cKXmG2hcIYyXq6HI2dYsPWtEZPasvANtePj"
    "ZzCEaPuujKP8eMoQONgEPw7L40BwjX3S1D8RxD/M/bzZna8FVaRpMEb6n9/enzWG2huqS4tcamgXo/evLxcmzir4"
    "VdTmLi5OdsdMPBj8R1pGD7I3BAksEPh5KH+4X1v29+zsR6fmKuKwn21rvIvZr966JFCzGRSVGDIUtCTiqVO3NnIk"
    "bnX+p/NpgmzhHTwq3sFglnvNaXRp5GMNsfkgyV8xMLl3wCGn8s0CKhEyffvULHinwRI3EwH0cF9lcN4gJx8vWQmq"
    "zBaXeZp16lw8bkDfdUvcuKa/mIkV/LitVPpSvw5yMR6pAf6C/Sv9MdLaQwYn6PAsgAozdQqxPRm1dlXEGtbUz9rX"
    "JgYMRqdS0ZFL/8svTbAcOMI9j06MWeTdr+Jq/hrs4eRL/7U/cXS33R447/yOgSHwWJyRRiBNp9x4d41PyV2yZwzb"
    "UPizFoEWrVa9XxEPi66JEVKC0IVvDxuId/wI30+ACNF+uC86q8LiMuJeIx30G+8Kiw5ng5oprfw0Cf02LastwmCp"
    "8dDIH2uBYfpKR6NspOUO27LcIj39r33WqRjo";

std::string makeSignatureBlock() {
    std::string block;
    block.reserve(2528);
    block += "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>";
    block += "<CanonicalizationMethod Algorithm=\"";
    block += kCanonicalXml;
    block += "\" /><SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\" />";
    block += "<Reference URI=\"#NFe";
    block += kSampleAccessKey;
    block += "\"><Transforms>";
    block += "<Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\" />";
    block += "<Transform Algorithm=\"";
    block += kCanonicalXml;
    block += "\" /></Transforms>";
    block += "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\" />";
    block += "<DigestValue>";
    block += kDigestValue;
    block += "</DigestValue></Reference></SignedInfo><SignatureValue>";
    block += kSignatureValue;
    block += "</SignatureValue><KeyInfo><X509Data><X509Certificate>";
    block += kCertificate;
    block += "</X509Certificate></X509Data></KeyInfo></Signature>";
    return block;
}

}  // namespace

const std::string& signatureBlock() {
    static const std::string block = makeSignatureBlock();
    return block;
}

std::string_view fixedSignatureDigest() {
    return kDigestValue;
}

}  // namespace kelmar::engine
