<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>11</source>
        <translation>11</translation>
    </message>
    <message>
        <source>12</source>
        <translation>12</translation>
    </message>
    <message>
        <source>13</source>
        <translation>13</translation>
    </message>
    <message>
        <source>14</source>
        <translation>14</translation>
    </message>
    <message>
        <source>15</source>
        <translation>15</translation>
    </message>
    <message>
        <source>Flash BIOS</source>
        <translation>Flash-BIOS</translation>
    </message>
    <message>
        <source>Closing the window writes the configuration to the card. Cancel quits without writing.</source>
        <translation>Beim Schließen des Fensters wird die Konfiguration auf die Karte geschrieben. „Abbrechen“ beendet das Programm, ohne zu schreiben.</translation>
    </message>
    <message>
        <source>Administrator Password</source>
        <translation>Administratorkennwort</translation>
    </message>
    <message>
        <source>Type an administrator&apos;s password:</source>
        <translation>Geben Sie das Kennwort eines Administrators ein:</translation>
    </message>
    <message>
        <source>Halix Utility[*]</source>
        <translation>Halix Utility[*]</translation>
    </message>
    <message>
        <source>&amp;Write Flash…</source>
        <translation>Flash &amp;schreiben…</translation>
    </message>
    <message>
        <source>&amp;Erase Flash…</source>
        <translation>Flash &amp;löschen…</translation>
    </message>
    <message>
        <source>Save &amp;Flash…</source>
        <translation>Flash s&amp;peichern…</translation>
    </message>
    <message>
        <source>&amp;Verify Flash…</source>
        <translation>Flash &amp;überprüfen…</translation>
    </message>
    <message>
        <source>Restore &amp;Defaults</source>
        <translation>Standard&amp;werte wiederherstellen</translation>
    </message>
    <message>
        <source>&amp;Save Settings…</source>
        <translation>&amp;Einstellungen speichern…</translation>
    </message>
    <message>
        <source>&amp;Load Settings…</source>
        <translation>Einstellungen la&amp;den…</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>QFileDialog</name>
    <message>
        <source>%1
File not found.</source>
        <translation>%1
Datei nicht gefunden.</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 existiert bereits.
Soll die Datei ersetzt werden?</translation>
    </message>
</context>
<context>
    <name>halix::AuthenticationNote</name>
    <message>
        <source>On the simulated machine, &quot;halix-sim --help&quot; tells the password of a new machine, and &quot;halix-sim auth&quot; sets another.</source>
        <translation>Auf der simulierten Maschine nennt „halix-sim --help“ das Kennwort einer neuen Maschine; mit „halix-sim auth“ legen Sie ein anderes fest.</translation>
    </message>
</context>
<context>
    <name>halix::PasswordPrompt</name>
    <message>
        <source>Halix Utility needs an administrator&apos;s password to hand the card to its utility driver.</source>
        <translation>Halix Utility benötigt das Kennwort eines Administrators, um die Karte an seinen Utility-Treiber zu übergeben.</translation>
    </message>
    <message>
        <source>Sorry, that password is not right. Try again.</source>
        <translation>Das Kennwort ist nicht richtig. Versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Authenticate</source>
        <translation>Authentifizieren</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Kennwort:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>halix::QtFilePanel</name>
    <message>
        <source>Choose the Image to Write to the Flash</source>
        <translation>Image zum Schreiben in den Flash-Speicher auswählen</translation>
    </message>
    <message>
        <source>Choose the Image to Compare the Flash With</source>
        <translation>Image zum Vergleich mit dem Flash-Speicher auswählen</translation>
    </message>
    <message>
        <source>Save a Copy of the Flash</source>
        <translation>Kopie des Flash-Speichers speichern</translation>
    </message>
    <message>
        <source>Choose the Settings to Load</source>
        <translation>Zu ladende Einstellungen auswählen</translation>
    </message>
    <message>
        <source>Save the Settings</source>
        <translation>Einstellungen speichern</translation>
    </message>
    <message>
        <source>Flash BIOS images (%1)</source>
        <translation>Flash-BIOS-Images (%1)</translation>
    </message>
    <message>
        <source>Copies of the flash (%1)</source>
        <translation>Kopien des Flash-Speichers (%1)</translation>
    </message>
    <message>
        <source>Halix Utility settings (%1)</source>
        <translation>Einstellungen von Halix Utility (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>halix::WindowTexts</name>
    <message>
        <source>SCSI Channel 0</source>
        <translation>SCSI-Kanal 0</translation>
    </message>
    <message>
        <source>Host adapter SCSI ID:</source>
        <translation>SCSI-ID des Hostadapters:</translation>
    </message>
    <message>
        <source>Host adapter SCSI ID</source>
        <translation>SCSI-ID des Hostadapters</translation>
    </message>
    <message>
        <source>The SCSI ID of the host adapter itself (usually 7)</source>
        <translation>Die SCSI-ID des Hostadapters selbst (meist 7)</translation>
    </message>
    <message>
        <source>Parity checking</source>
        <translation>Paritätsprüfung</translation>
    </message>
    <message>
        <source>Check parity on the SCSI bus</source>
        <translation>Parität auf dem SCSI-Bus prüfen</translation>
    </message>
    <message>
        <source>Termination</source>
        <translation>Terminierung</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Termination automatic</source>
        <translation>Terminierung: automatisch</translation>
    </message>
    <message>
        <source>The card enables its terminators as the bus needs them</source>
        <translation>Die Karte schaltet ihre Terminatoren je nach Bedarf des Busses ein</translation>
    </message>
    <message>
        <source>On (low and high byte)</source>
        <translation>Ein (Low- und High-Byte)</translation>
    </message>
    <message>
        <source>Termination on (low and high byte)</source>
        <translation>Terminierung: ein (Low- und High-Byte)</translation>
    </message>
    <message>
        <source>Terminate the whole wide bus</source>
        <translation>Den ganzen Wide-Bus terminieren</translation>
    </message>
    <message>
        <source>Low byte only</source>
        <translation>Nur Low-Byte</translation>
    </message>
    <message>
        <source>Termination low byte only</source>
        <translation>Terminierung: nur Low-Byte</translation>
    </message>
    <message>
        <source>Terminate the narrow (low) byte of the bus only</source>
        <translation>Nur das Low-Byte (den 8-Bit-Teil) des Busses terminieren</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Termination off</source>
        <translation>Terminierung: aus</translation>
    </message>
    <message>
        <source>The card terminates nothing: terminate the bus at its devices</source>
        <translation>Die Karte terminiert nichts: Terminieren Sie den Bus an seinen Geräten</translation>
    </message>
    <message>
        <source>Targets</source>
        <translation>Zielgeräte</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennung zulassen</translation>
    </message>
    <message>
        <source>Target %1 disconnect</source>
        <translation>Zielgerät %1: Trennung zulassen</translation>
    </message>
    <message>
        <source>Target %1: allow the device to disconnect from the bus</source>
        <translation>Zielgerät %1: dem Gerät erlauben, sich vom Bus zu trennen</translation>
    </message>
    <message>
        <source>Max transfer</source>
        <translation>Max. Rate</translation>
    </message>
    <message>
        <source>Target %1 maximum transfer</source>
        <translation>Zielgerät %1: maximale Übertragungsrate</translation>
    </message>
    <message>
        <source>Target %1: the highest transfer rate to negotiate</source>
        <translation>Zielgerät %1: die höchste auszuhandelnde Übertragungsrate</translation>
    </message>
    <message>
        <source>Sync</source>
        <translation>Synchron</translation>
    </message>
    <message>
        <source>Target %1 synchronous transfer</source>
        <translation>Zielgerät %1: synchrone Übertragung</translation>
    </message>
    <message>
        <source>Target %1: use synchronous transfers</source>
        <translation>Zielgerät %1: synchrone Übertragung verwenden</translation>
    </message>
    <message>
        <source>Wide</source>
        <translation>Wide</translation>
    </message>
    <message>
        <source>Target %1 wide transfer</source>
        <translation>Zielgerät %1: Wide-Übertragung</translation>
    </message>
    <message>
        <source>Target %1: use 16-bit wide transfers</source>
        <translation>Zielgerät %1: Wide-Übertragung (16 Bit) verwenden</translation>
    </message>
    <message>
        <source>80 MB/s</source>
        <translation>80 MB/s</translation>
    </message>
    <message>
        <source>66.7 MB/s</source>
        <translation>66,7 MB/s</translation>
    </message>
    <message>
        <source>40 MB/s</source>
        <translation>40 MB/s</translation>
    </message>
    <message>
        <source>33.3 MB/s</source>
        <translation>33,3 MB/s</translation>
    </message>
    <message>
        <source>20 MB/s</source>
        <translation>20 MB/s</translation>
    </message>
    <message>
        <source>16.7 MB/s</source>
        <translation>16,7 MB/s</translation>
    </message>
    <message>
        <source>13.3 MB/s</source>
        <translation>13,3 MB/s</translation>
    </message>
    <message>
        <source>10 MB/s</source>
        <translation>10 MB/s</translation>
    </message>
    <message>
        <source>Versions</source>
        <translation>Versionen</translation>
    </message>
    <message>
        <source>Configuration utility:</source>
        <translation>Konfigurationsprogramm:</translation>
    </message>
    <message>
        <source>Configuration utility version</source>
        <translation>Version des Konfigurationsprogramms</translation>
    </message>
    <message>
        <source>The version of this application</source>
        <translation>Die Version dieses Programms</translation>
    </message>
    <message>
        <source>Utility driver:</source>
        <translation>Utility-Treiber:</translation>
    </message>
    <message>
        <source>Utility driver version</source>
        <translation>Version des Utility-Treibers</translation>
    </message>
    <message>
        <source>The version of the utility driver in this application</source>
        <translation>Die Version des Utility-Treibers in diesem Programm</translation>
    </message>
    <message>
        <source>SCSI BIOS:</source>
        <translation>SCSI-BIOS:</translation>
    </message>
    <message>
        <source>SCSI BIOS version</source>
        <translation>Version des SCSI-BIOS</translation>
    </message>
    <message>
        <source>The card driver&apos;s version at start, the outcome of a flash update afterwards</source>
        <translation>Beim Start die Version des Kartentreibers, nach einer Flash-Aktualisierung deren Ergebnis</translation>
    </message>
    <message>
        <source>Write a BIOS image file to the card&apos;s flash and verify it</source>
        <translation>Eine BIOS-Image-Datei in den Flash-Speicher der Karte schreiben und überprüfen</translation>
    </message>
    <message>
        <source>Erase the card&apos;s flash BIOS</source>
        <translation>Das Flash-BIOS der Karte löschen</translation>
    </message>
    <message>
        <source>Show the factory configuration; it is written when the window closes</source>
        <translation>Die Werkskonfiguration anzeigen; sie wird beim Schließen des Fensters geschrieben</translation>
    </message>
    <message>
        <source>Quit without writing the configuration</source>
        <translation>Beenden, ohne die Konfiguration zu schreiben</translation>
    </message>
    <message>
        <source>Save the settings shown in the window into a file; nothing is written to the card</source>
        <translation>Die im Fenster angezeigten Einstellungen in einer Datei speichern; auf die Karte wird nichts geschrieben</translation>
    </message>
    <message>
        <source>Show the settings saved in a file; they are written when the window closes</source>
        <translation>Die in einer Datei gespeicherten Einstellungen anzeigen; sie werden beim Schließen des Fensters geschrieben</translation>
    </message>
    <message>
        <source>Read the card&apos;s flash into a file, to keep a copy before you change it</source>
        <translation>Den Flash-Speicher der Karte auslesen und in einer Datei speichern, um vor einer Änderung eine Kopie zu behalten</translation>
    </message>
    <message>
        <source>Compare the card&apos;s flash with an image file without writing anything</source>
        <translation>Den Flash-Speicher der Karte mit einer Image-Datei vergleichen, ohne etwas zu schreiben</translation>
    </message>
</context>
</TS>
