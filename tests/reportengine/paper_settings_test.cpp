// Paper and bin tables, and a printer's settings read from and written to its device mode.

#include "report_helpers.h"

#include "reportengine/printer/paper.h"
#include "reportengine/printer/printer_settings.h"

#include <gtest/gtest.h>

TEST(PaperTable, CodesDimensionsAndTextsOfTheOddSizes)
{
    EXPECT_EQ(paperSizeInfo(TQRPaperSize::Note).lengthMm, 279.0);
    EXPECT_EQ(paperSizeInfo(TQRPaperSize::Letter).lengthMm, 279.4);
    for (TQRPaperSize sheet : {TQRPaperSize::CSheet, TQRPaperSize::DSheet, TQRPaperSize::ESheet}) {
        EXPECT_EQ(paperSizeInfo(sheet).widthMm, 100.0);
        EXPECT_EQ(paperSizeInfo(sheet).lengthMm, 100.0);
    }
    EXPECT_EQ(paperSizeInfo(TQRPaperSize::Custom).code, 256);
    EXPECT_EQ(paperSizeInfo(TQRPaperSize::Env9).widthMm, 98.43);
    EXPECT_EQ(paperSizeDisplayText(TQRPaperSize::Default), QStringLiteral("ﾃﾞﾌｫﾙﾄ ｻｲｽﾞ"));
    EXPECT_EQ(paperSizeDisplayText(TQRPaperSize::Executive), QStringLiteral("Executive7 1/2 x 10 in"));
    EXPECT_EQ(paperSizeDisplayText(TQRPaperSize::Custom), QStringLiteral("ｶｽﾀﾑ ｻｲｽﾞ"));
    // Every ordinal between the two ends carries its own ordinal as code.
    for (int i = 1; i < kPaperSizeCount - 1; ++i)
        EXPECT_EQ(paperSizeInfo(TQRPaperSize(i)).code, i);
    EXPECT_EQ(paperSizeFromCode(9), TQRPaperSize::A4);
    EXPECT_EQ(paperSizeFromCode(256), TQRPaperSize::Custom);
    EXPECT_FALSE(paperSizeFromCode(34).has_value());
}

TEST(PaperTable, BinsTakeTheFirstOfTwoEqualCodes)
{
    EXPECT_EQ(binFromCode(1), TQRBin::First);
    EXPECT_EQ(binFromCode(14), TQRBin::Cassette);
    EXPECT_EQ(binFromCode(7), TQRBin::Auto);
    EXPECT_FALSE(binFromCode(12).has_value());
    EXPECT_EQ(binCode(TQRBin::Upper), 1);
    EXPECT_EQ(binCode(TQRBin::Last), 14);
}

TEST(PrinterSettings, ReadsOffsetsPaperBinAndCopiesFromTheDevice)
{
    auto fake = std::make_shared<FakePrinter>();
    fake->dpi = 300;
    fake->offset = QPoint(50, 75);          // pixels at 300 dpi
    fake->mode.paperSize = 1;               // Letter
    fake->mode.copies = 3;
    fake->mode.defaultSource = 14;
    fake->mode.duplex = 2;
    PrinterScope scope({fake});
    QRSystemPrinter system;
    TPrinterSettings settings;
    settings.setPrinter(&system);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Letter);
    EXPECT_EQ(settings.LeftOffset(), 42);   // 50 / 300 * 254 = 42.33
    EXPECT_EQ(settings.TopOffset(), 64);    // 75 / 300 * 254 = 63.5: halves to even
    EXPECT_EQ(settings.Copies(), 3);
    EXPECT_EQ(settings.OutputBin(), TQRBin::Cassette);
    EXPECT_TRUE(settings.Duplex());
    EXPECT_EQ(settings.PixelsPerX(), 300);
    EXPECT_EQ(settings.PaperWidthValue(), 2159);
    EXPECT_EQ(settings.PaperLengthValue(), 2794);
    EXPECT_TRUE(settings.SupportedSizes(TQRPaperSize::B5));
    EXPECT_FALSE(settings.SupportedSizes(TQRPaperSize::A3));
}

TEST(PrinterSettings, UnsupportedFieldsReadAsDefaultsAndRefuseChanges)
{
    auto fake = std::make_shared<FakePrinter>();
    fake->mode.fields = 0;
    fake->mode.copies = 5;
    fake->mode.defaultSource = 14;
    fake->mode.duplex = 2;
    fake->answersQueries = false;
    PrinterScope scope({fake});
    QRSystemPrinter system;
    TPrinterSettings settings;
    settings.setPrinter(&system);
    EXPECT_EQ(settings.Copies(), 1);
    EXPECT_EQ(settings.OutputBin(), TQRBin::First);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Default);
    EXPECT_FALSE(settings.Duplex());
    EXPECT_EQ(settings.LeftOffset(), 0);
    EXPECT_EQ(settings.PaperWidth(), 0);
    settings.setCopies(4);
    settings.setOutputBin(TQRBin::Manual);
    settings.setOrientation(1);
    EXPECT_EQ(settings.Copies(), 1);
    EXPECT_EQ(settings.OutputBin(), TQRBin::First);
    EXPECT_EQ(settings.Orientation(), 0);
}

TEST(PrinterSettings, PaperSizeSetterAcceptsListedSizesAndDefault)
{
    auto fake = std::make_shared<FakePrinter>();
    PrinterScope scope({fake});
    QRSystemPrinter system;
    TPrinterSettings settings;
    settings.setPrinter(&system);
    settings.setPaperSize(TQRPaperSize::A5);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::A5);
    settings.setPaperSize(TQRPaperSize::A3);            // not listed by the device
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::A5);
    settings.setPaperSize(TQRPaperSize::Default);
    EXPECT_EQ(settings.PaperSize(), TQRPaperSize::Default);
    settings.setPaperWidth(1234);                       // only while Custom
    EXPECT_NE(settings.PaperWidth(), 1234);
}

TEST(PrinterSettings, ApplyWritesOnlyWhatTheDeviceSupports)
{
    auto fake = std::make_shared<FakePrinter>();
    fake->mode.fields = dm::PaperSize | dm::Orientation | dm::DefaultSource;   // no copies
    PrinterScope scope({fake});
    QRSystemPrinter system;
    TPrinterSettings settings;
    settings.setPrinter(&system);
    settings.setPaperSize(TQRPaperSize::B5);
    settings.setOrientation(1);
    settings.setOutputBin(TQRBin::Lower);
    settings.setCopies(7);
    settings.ApplyToDevice();
    EXPECT_EQ(system.deviceMode().paperSize, 13);
    EXPECT_EQ(system.deviceMode().orientation, dm::Landscape);
    EXPECT_EQ(system.deviceMode().defaultSource, 2);
    EXPECT_EQ(system.deviceMode().copies, 1);
}

TEST(PrinterSettings, AnIsoB5PrinterIsDefaultPaperWithItsMeasuredSize)
{
    PrinterScope scope({pdfTo(QString(), papercode::B5Iso)});
    TQRPrinter printer;
    EXPECT_EQ(printer.PaperSize(), TQRPaperSize::Default);
    EXPECT_EQ(printer.PaperWidthValue(), 1760);
    EXPECT_EQ(printer.PaperLengthValue(), 2500);
    // Default paper in landscape: the page is the measured paper turned.
    printer.setOrientation(1);
    EXPECT_EQ(printer.PageWidthValue(), 2500);
    EXPECT_EQ(printer.PageLengthValue(), 1760);
}

TEST(PrinterSettings, WithoutPrintersNothingIsReadAndPaperStaysA4)
{
    PrinterScope scope({});
    TQRPrinter printer;
    EXPECT_FALSE(printer.PrinterOK());
    EXPECT_EQ(printer.PaperSize(), TQRPaperSize::A4);
    EXPECT_EQ(printer.Settings().LeftOffset(), 0);
    EXPECT_EQ(printer.Settings().PaperWidth(), 0);
    printer.setPrinterIndex(0);   // ignored
    EXPECT_EQ(printer.PaperSize(), TQRPaperSize::A4);
}

TEST(PrinterRegistry, ThePdfPrinterIsAlwaysThere)
{
    PrinterRegistry::global().reset();
    const auto& printers = PrinterRegistry::global().printers();
    ASSERT_FALSE(printers.empty());
    EXPECT_EQ(printers.back()->name(), QStringLiteral("PDF file"));
    EXPECT_EQ(printers.back()->dpiX(), 600);
    EXPECT_EQ(printers.back()->defaultDeviceMode().paperSize, 9);
    PrinterRegistry::global().setPrinters({makePdfPrinter()}, 0);
}
