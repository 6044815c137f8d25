#include "settings/ini_file.hpp"

#include <gtest/gtest.h>

namespace kelmar::settings {
namespace {

TEST(IniFileTest, ReadsTheWayTheWindowsReaderDoes) {
    const IniFile ini(
        "; comentario\r\n"
        "[Outra]\r\n"
        "LOTE=1\r\n"
        "[ nfe ]\r\n"
        "  lote  =  205  \r\n"
        "Recibo=\"159093\"\r\n"
        "PROTOCOLO='589901'\r\n"
        "PASTA=\"C:\\Quelmont\\nf_e\\\"\r\n"
        "VAZIO=\r\n");
    EXPECT_EQ(ini.read("NFE", "LOTE", "x"), "205");
    EXPECT_EQ(ini.read("NFE", "RECIBO", "x"), "159093");
    EXPECT_EQ(ini.read("NFE", "PROTOCOLO", "x"), "589901");
    EXPECT_EQ(ini.read("NFE", "PASTA", "x"), "C:\\Quelmont\\nf_e\\");
    EXPECT_EQ(ini.read("NFE", "VAZIO", "x"), "");
    EXPECT_EQ(ini.read("NFE", "FALTA", "padrao"), "padrao");
    EXPECT_EQ(ini.read("Outra", "lote", "x"), "1");
    EXPECT_EQ(ini.read("Nenhuma", "LOTE", "x"), "x");
}

TEST(IniFileTest, CutsLongValues) {
    const IniFile ini("[NFE]\nPASTA=" + std::string(3000, 'a') + "\n");
    EXPECT_EQ(ini.read("NFE", "PASTA", "").size(), 2047u);
    EXPECT_EQ(ini.read("NFE", "X", std::string(3000, 'b')).size(), 2047u);
}

TEST(IniFileTest, WriteTouchesOnlyItsKeyAndKeepsTheLineEnding) {
    IniFile ini(
        "; comentario\r\n"
        "[Outra]\r\n"
        "LOTE=1\r\n"
        "\r\n"
        "[nfe]\r\n"
        "lote=205\r\n"
        "X=y\r\n"
        "\r\n"
        "[Depois]\r\n"
        "A=b\r\n");
    ini.write("NFE", "LOTE", "206");
    ini.write("NFE", "PASTA", "D:\\nf_e\\");
    EXPECT_EQ(ini.content(),
              "; comentario\r\n"
              "[Outra]\r\n"
              "LOTE=1\r\n"
              "\r\n"
              "[nfe]\r\n"
              "LOTE=206\r\n"
              "X=y\r\n"
              "PASTA=D:\\nf_e\\\r\n"
              "\r\n"
              "[Depois]\r\n"
              "A=b\r\n");
}

TEST(IniFileTest, CreatesTheSectionWhenMissing) {
    IniFile empty;
    empty.write("NFE", "LOTE", "1");
    const std::string eol(IniFile::nativeLineEnding());
    EXPECT_EQ(empty.content(), "[NFE]" + eol + "LOTE=1" + eol);

    IniFile other("[Outra]\nA=b");
    other.write("NFE", "LOTE", "1");
    EXPECT_EQ(other.content(), "[Outra]\nA=b\n\n[NFE]\nLOTE=1\n");
}

}  // namespace
}  // namespace kelmar::settings
