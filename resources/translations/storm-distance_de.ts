<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Not now</source>
        <translation>Jetzt nicht</translation>
    </message>
    <message>
        <source>Degrees from 0 to 359</source>
        <translation>Grad von 0 bis 359</translation>
    </message>
    <message>
        <source>Direction of the flash in degrees</source>
        <translation>Richtung des Blitzes in Grad</translation>
    </message>
    <message>
        <source>Degrees</source>
        <translation>Grad</translation>
    </message>
    <message>
        <source>Click its direction on the map or type the degrees; keys: an arrow, Shift with two arrows for the points between, or the keypad</source>
        <translation>Klicke auf der Karte in seine Richtung oder tippe die Grad ein; Tasten: ein Pfeil, Umschalt mit zwei Pfeilen für die Richtungen dazwischen, oder der Ziffernblock</translation>
    </message>
    <message>
        <source>Where was the flash?</source>
        <translation>Wo war der Blitz?</translation>
    </message>
    <message>
        <source>Barely moving</source>
        <translation>Bewegt sich kaum</translation>
    </message>
    <message>
        <source>No clear track yet</source>
        <translation>Noch keine klare Zugbahn</translation>
    </message>
    <message>
        <source>within 10 km in about %1 min if it keeps coming straight</source>
        <translation>in etwa %1 min näher als 10 km, wenn es geradewegs kommt</translation>
    </message>
    <message>
        <source>within 6 mi in about %1 min if it keeps coming straight</source>
        <translation>in etwa %1 min näher als 6 mi, wenn es geradewegs kommt</translation>
    </message>
    <message>
        <source>within 6 mi in about %1 min</source>
        <translation>in etwa %1 min näher als 6 mi</translation>
    </message>
    <message>
        <source>within 6 mi now</source>
        <translation>jetzt näher als 6 mi</translation>
    </message>
    <message>
        <source>Heading straight for you</source>
        <translation>Kommt direkt auf dich zu</translation>
    </message>
    <message>
        <source>%1–%2 km</source>
        <translation>%1–%2 km</translation>
    </message>
    <message>
        <source>%1–%2 mi</source>
        <translation>%1–%2 mi</translation>
    </message>
    <message>
        <source>May pass %1 now</source>
        <translation>Zieht jetzt wohl %1 vorbei</translation>
    </message>
    <message>
        <source>May pass %1 in about %2 min</source>
        <translation>Zieht in etwa %2 min wohl %1 vorbei</translation>
    </message>
    <message>
        <source>Two storms: %1 and %2</source>
        <translation>Zwei Gewitter: %1 und %2</translation>
    </message>
    <message>
        <source>Two storms: about %1 and %2 away</source>
        <translation>Zwei Gewitter: etwa %1 und %2 entfernt</translation>
    </message>
    <message>
        <source>Heading straight for you: %1</source>
        <translation>Kommt direkt auf dich zu: %1</translation>
    </message>
    <message>
        <source>Moving away to the %1</source>
        <translation>Zieht %1 ab</translation>
    </message>
    <message>
        <source>Moving %1 at %2</source>
        <translation>Zieht %1 mit %2</translation>
    </message>
    <message>
        <source>north-west of you</source>
        <translation>nordwestlich von dir</translation>
    </message>
    <message>
        <source>west of you</source>
        <translation>westlich von dir</translation>
    </message>
    <message>
        <source>south-west of you</source>
        <translation>südwestlich von dir</translation>
    </message>
    <message>
        <source>south of you</source>
        <translation>südlich von dir</translation>
    </message>
    <message>
        <source>south-east of you</source>
        <translation>südöstlich von dir</translation>
    </message>
    <message>
        <source>east of you</source>
        <translation>östlich von dir</translation>
    </message>
    <message>
        <source>north-east of you</source>
        <translation>nordöstlich von dir</translation>
    </message>
    <message>
        <source>north of you</source>
        <translation>nördlich von dir</translation>
    </message>
    <message>
        <source>north-west</source>
        <translation>nach Nordwesten</translation>
    </message>
    <message>
        <source>west</source>
        <translation>nach Westen</translation>
    </message>
    <message>
        <source>south-west</source>
        <translation>nach Südwesten</translation>
    </message>
    <message>
        <source>south</source>
        <translation>nach Süden</translation>
    </message>
    <message>
        <source>south-east</source>
        <translation>nach Südosten</translation>
    </message>
    <message>
        <source>east</source>
        <translation>nach Osten</translation>
    </message>
    <message>
        <source>north-east</source>
        <translation>nach Nordosten</translation>
    </message>
    <message>
        <source>north</source>
        <translation>nach Norden</translation>
    </message>
    <message>
        <source>%1 · one strike · %2 away</source>
        <translation>%1 · ein Blitz · %2 entfernt</translation>
    </message>
    <message>
        <source>All clear in %1 min</source>
        <translation>Entwarnung in %1 Min.</translation>
    </message>
    <message>
        <source>Timing</source>
        <translation>Zeit läuft</translation>
    </message>
    <message>
        <source>%1 kilometres, %2 miles</source>
        <translation>%1 Kilometer, %2 Meilen</translation>
    </message>
    <message>
        <source>%1 to %2 · %3 strikes · closest %4</source>
        <translation>%1 bis %2 · %3 Blitze · am nächsten %4</translation>
    </message>
    <message>
        <source>%1–%2 · %3 strikes · %4</source>
        <translation>%1–%2 · %3 Blitze · %4</translation>
    </message>
    <message>
        <source>Could not remove the strike</source>
        <translation>Der Blitz konnte nicht entfernt werden</translation>
    </message>
    <message>
        <source>Strike removed</source>
        <translation>Blitz entfernt</translation>
    </message>
    <message>
        <source>Show the storm</source>
        <translation>Gewitter zeigen</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Too quick to be thunder: not logged. Press at the flash, then at the thunder.</source>
        <translation>Zu schnell für Donner: nicht gespeichert. Beim Blitz drücken, dann beim Donner.</translation>
    </message>
    <message>
        <source>The strike log cannot be used by this version: strikes are kept in a log of their own beside it.</source>
        <translation>Die Blitzliste kann von dieser Version nicht verwendet werden: Blitze werden in einer eigenen Liste daneben gespeichert.</translation>
    </message>
    <message>
        <source>No strike log can be written: strikes are kept only until the app ends.</source>
        <translation>Keine Blitzliste kann geschrieben werden: Blitze werden nur bis zum Beenden der App behalten.</translation>
    </message>
    <message>
        <source>Some strikes in the log are dated in the future and are not shown: check the device&apos;s clock.</source>
        <translation>Einige Blitze in der Liste sind in der Zukunft datiert und werden nicht angezeigt: Bitte die Uhr des Geräts prüfen.</translation>
    </message>
    <message>
        <source>The strike log was damaged: it is kept aside, and a fresh log holds the strikes that could be read.</source>
        <translation>Die Blitzliste war beschädigt: Sie wird beiseitegelegt, und eine neue Liste enthält die Blitze, die gelesen werden konnten.</translation>
    </message>
    <message>
        <source>Last strike %1 h %2 min ago</source>
        <translation>Letzter Blitz vor %1 h %2 min</translation>
    </message>
    <message>
        <source>Last strike %1 min ago</source>
        <translation>Letzter Blitz vor %1 min</translation>
    </message>
    <message>
        <source>Last strike less than a minute ago</source>
        <translation>Letzter Blitz vor weniger als einer Minute</translation>
    </message>
    <message>
        <source>about %1 mph</source>
        <translation>etwa %1 mph</translation>
    </message>
    <message>
        <source>about %1 km/h</source>
        <translation>etwa %1 km/h</translation>
    </message>
    <message>
        <source>No clear trend yet</source>
        <translation>Noch keine klare Tendenz</translation>
    </message>
    <message>
        <source>Keeping its distance</source>
        <translation>Hält Abstand</translation>
    </message>
    <message>
        <source>Rate %@</source>
        <translation>%@ bewerten</translation>
    </message>
    <message>
        <source>If you enjoy using %@, would you mind taking a moment to rate it? It won't take more than a minute. Thanks for your support!</source>
        <translation>Wenn dir %@ gefällt, würdest du dir einen Moment Zeit nehmen, um es zu bewerten? Es dauert nicht länger als eine Minute. Danke für deine Unterstützung!</translation>
    </message>
    <message>
        <source>No, Thanks</source>
        <translation>Nein, danke</translation>
    </message>
    <message>
        <source>Remind me later</source>
        <translation>Später erinnern</translation>
    </message>
    <message>
        <source>Approaching</source>
        <translation>Kommt näher</translation>
    </message>
    <message>
        <source>Moving away</source>
        <translation>Zieht ab</translation>
    </message>
    <message>
        <source>within 10 km now</source>
        <translation>jetzt näher als 10 km</translation>
    </message>
    <message>
        <source>within 10 km in about %1 min</source>
        <translation>in etwa %1 min näher als 10 km</translation>
    </message>
    <message>
        <source>Standard (%1)</source>
        <translation>Standard (%1)</translation>
    </message>
    <message>
        <source>Speed of sound at %1: %2 m/s.</source>
        <translation>Schallgeschwindigkeit bei %1: %2 m/s.</translation>
    </message>
    <message>
        <source>Standard speed of sound: %1 m/s. Type the air temperature for a closer figure, or leave the field empty.</source>
        <translation>Standard-Schallgeschwindigkeit: %1 m/s. Gib die Lufttemperatur ein, um genauer zu rechnen, oder lass das Feld leer.</translation>
    </message>
    <message>
        <source>Enter a temperature from %1 to %2, or leave the field empty for the standard speed of sound.</source>
        <translation>Gib eine Temperatur von %1 bis %2 ein, oder lass das Feld leer für die Standard-Schallgeschwindigkeit.</translation>
    </message>
    <message>
        <source>Last 15 minutes: %1</source>
        <translation>Letzte 15 Minuten: %1</translation>
    </message>
    <message>
        <source>Not enough strikes in the last 15 minutes for a trend</source>
        <translation>Zu wenige Blitze in den letzten 15 Minuten für einen Trend</translation>
    </message>
    <message>
        <source>No strikes recorded yet</source>
        <translation>Noch keine Blitze aufgezeichnet</translation>
    </message>
    <message>
        <source>Clear all strikes?</source>
        <translation>Alle Blitze löschen?</translation>
    </message>
    <message>
        <source>The call to take shelter stays until the all-clear.</source>
        <translation>Die Aufforderung, Schutz zu suchen, bleibt bis zur Entwarnung bestehen.</translation>
    </message>
    <message>
        <source>This removes every recorded strike. It cannot be undone.</source>
        <translation>Damit werden alle aufgezeichneten Blitze entfernt. Das lässt sich nicht rückgängig machen.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Exported %1 strikes to %2</source>
        <translation>%1 Blitze nach %2 exportiert</translation>
    </message>
    <message>
        <source>Exported 1 strike to %1</source>
        <translation>1 Blitz nach %1 exportiert</translation>
    </message>
    <message>
        <source>Could not write %1</source>
        <translation>%1 konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Could not clear the strike log</source>
        <translation>Die Blitzliste konnte nicht gelöscht werden</translation>
    </message>
    <message>
        <source>Take shelter now</source>
        <translation>Jetzt Schutz suchen</translation>
    </message>
    <message>
        <source>All clear in %1</source>
        <translation>Entwarnung in %1</translation>
    </message>
    <message>
        <source>All clear: no close thunder for 30 minutes</source>
        <translation>Entwarnung: seit 30 Minuten kein naher Donner</translation>
    </message>
    <message>
        <source>All clear</source>
        <translation>Entwarnung</translation>
    </message>
    <message>
        <source>No thunder within 10 km for the last 30 minutes.</source>
        <translation>Seit 30 Minuten kein Donner im Umkreis von 10 km.</translation>
    </message>
    <message>
        <source>Still using %1.</source>
        <translation>Es gilt weiter %1.</translation>
    </message>
    <message>
        <source>Still using the standard %1.</source>
        <translation>Es gilt weiter der Standardwert von %1.</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Setzen</translation>
    </message>
    <message>
        <source>Remove direction</source>
        <translation>Richtung entfernen</translation>
    </message>
    <message>
        <source>Direction of the flash</source>
        <translation>Richtung des Blitzes</translation>
    </message>
    <message>
        <source>Degrees clockwise from north: 0 is north, 90 east, 180 south.</source>
        <translation>Grad im Uhrzeigersinn von Norden: 0 ist Norden, 90 Osten, 180 Süden.</translation>
    </message>
    <message>
        <source>Degrees</source>
        <translation>Grad</translation>
    </message>
    <message>
        <source>Not a direction. Type a number of degrees below 360, such as 45 or 202.5.</source>
        <translation>Keine Richtung. Gib eine Gradzahl unter 360 ein, etwa 45 oder 202,5.</translation>
    </message>
    <message>
        <source>Could not save the direction</source>
        <translation>Die Richtung konnte nicht gespeichert werden</translation>
    </message>
    <message>
        <source>Direction removed</source>
        <translation>Richtung entfernt</translation>
    </message>
    <message>
        <source>Direction saved</source>
        <translation>Richtung gespeichert</translation>
    </message>
</context>
<context>
    <name>MainScreen</name>
    <message>
        <source>Map type</source>
        <translation>Kartentyp</translation>
    </message>
    <message>
        <source>Seconds since the flash</source>
        <translation>Sekunden seit dem Blitz</translation>
    </message>
    <message>
        <source>Distance of the lightning</source>
        <translation>Entfernung des Blitzes</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Satellite</source>
        <translation>Satellit</translation>
    </message>
    <message>
        <source>Hybrid</source>
        <translation>Hybrid</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Store</translation>
    </message>
    <message>
        <source>This app's page in the store</source>
        <translation>Die Seite dieser App im Store</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>How it works</source>
        <translation>So funktioniert’s</translation>
    </message>
    <message>
        <source>Press at the flash</source>
        <translation>Beim Blitz drücken</translation>
    </message>
    <message>
        <source>Space or Enter</source>
        <translation>Leertaste oder Eingabetaste</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Strikes so far</source>
        <translation>Bisherige Blitze</translation>
    </message>
    <message>
        <source>Map type</source>
        <translation>Kartentyp</translation>
    </message>
</context>
<context>
    <name>InfoScreen</name>
    <message>
        <source>How far away is the storm?</source>
        <translation>Wie weit ist das Gewitter entfernt?</translation>
    </message>
    <message>
        <source>&lt;p&gt;Light reaches you at once; thunder travels at the speed of sound, about 340 metres a second. The delay between the two tells how far away the lightning struck.&lt;/p&gt;&lt;p&gt;&lt;b&gt;How to use it:&lt;/b&gt; press &lt;i&gt;SAW LIGHTNING&lt;/i&gt; (or Space) at the flash, and &lt;i&gt;HEARD THUNDER&lt;/i&gt; when the thunder arrives. The distance appears in miles and kilometres, and the map draws a circle of that radius around you.&lt;/p&gt;&lt;p&gt;&lt;b&gt;An estimate:&lt;/b&gt; the speed of sound used is that of air at 15 °C (340.29 m/s); warmer or colder air changes it by a few per cent. Your reaction time at each press adds or removes a few tens of metres, and long rolls of thunder make the first rumble hard to catch.&lt;/p&gt;&lt;p&gt;If the delay is under 30 seconds (10 km), the storm is close enough to be dangerous: go indoors.&lt;/p&gt;&lt;p style=&quot;color:#cbd2d9; font-size:12px&quot;&gt;Map data © OpenStreetMap contributors. Imagery © its providers, as shown on the map.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Licht erreicht dich sofort; der Donner reist mit Schallgeschwindigkeit, etwa 340 Meter pro Sekunde. Die Verzögerung zwischen beiden verrät, wie weit entfernt der Blitz eingeschlagen hat.&lt;/p&gt;&lt;p&gt;&lt;b&gt;So geht’s:&lt;/b&gt; Drücke beim Blitz &lt;i&gt;SAW LIGHTNING&lt;/i&gt; (oder die Leertaste) und &lt;i&gt;HEARD THUNDER&lt;/i&gt;, wenn der Donner ankommt. Die Entfernung erscheint in Meilen und Kilometern, und die Karte zeichnet einen Kreis mit diesem Radius um dich.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Eine Schätzung:&lt;/b&gt; Verwendet wird die Schallgeschwindigkeit in Luft bei 15 °C (340,29 m/s); wärmere oder kältere Luft ändert sie um einige Prozent. Deine Reaktionszeit bei jedem Drücken fügt einige zehn Meter hinzu oder zieht sie ab, und lang rollender Donner macht das erste Grollen schwer zu erwischen.&lt;/p&gt;&lt;p&gt;Liegt die Verzögerung unter 30 Sekunden (10 km), ist das Gewitter nah genug, um gefährlich zu sein: Geh nach drinnen.&lt;/p&gt;&lt;p style=&quot;color:#cbd2d9; font-size:12px&quot;&gt;Kartendaten © OpenStreetMap-Mitwirkende. Luftbilder © ihre Anbieter, wie auf der Karte angegeben.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>More apps from the maker</source>
        <translation>Weitere Apps des Herstellers</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Air temperature</source>
        <translation>Lufttemperatur</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Keyboard:&lt;/b&gt; Space/Enter: start and stop. Escape: cancel a measurement, close this screen. +/-: zoom the map. Tab: next control.&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Tastatur:&lt;/b&gt; Leertaste/Eingabe: Start und Stopp. Esc: Messung abbrechen, Seite schließen. +/-: Karte zoomen. Tab: nächstes Element.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>T: start or stop, wherever the focus is. F1: this screen. Ctrl+H: history. Ctrl+E: export the history. Ctrl+0: show the storm. Ctrl+L: type your position. Ctrl+Q: quit.</source>
        <translation>T: Start oder Stopp, wo auch immer der Fokus ist. F1: diese Seite. Strg+H: Verlauf. Strg+E: Verlauf exportieren. Strg+0: Gewitter zeigen. Strg+L: Position eingeben. Strg+Q: beenden.</translation>
    </message>
</context>
<context>
    <name>storm::qt::MapWidget</name>
    <message>
        <source>%1 mi</source>
        <translation>%1 mi</translation>
    </message>
    <message>
        <source>%1 km</source>
        <translation>%1 km</translation>
    </message>
    <message>
        <source>Last known position, %1 d ago</source>
        <translation>Letzte bekannte Position, vor %1 Tg.</translation>
    </message>
    <message>
        <source>Last known position, %1 h ago</source>
        <translation>Letzte bekannte Position, vor %1 Std.</translation>
    </message>
    <message>
        <source>Last known position, %1 min ago</source>
        <translation>Letzte bekannte Position, vor %1 Min.</translation>
    </message>
    <message>
        <source>Last known position, less than a minute ago</source>
        <translation>Letzte bekannte Position, vor weniger als einer Minute</translation>
    </message>
    <message>
        <source>No fix from the location service for some minutes. Go where the sky is open, or right-click or hold the map: “I am here”.</source>
        <translation>Seit einigen Minuten keine Position vom Ortungsdienst. Geh unter freien Himmel, oder rechtsklick oder lange auf die Karte drücken: „Ich bin hier“.</translation>
    </message>
    <message>
        <source>The GPS receiver has no fix. Go where the sky is open, or right-click or hold the map: “I am here”.</source>
        <translation>Der GPS-Empfänger hat keine Position. Geh unter freien Himmel, oder rechtsklick oder lange auf die Karte drücken: „Ich bin hier“.</translation>
    </message>
    <message>
        <source>The NMEA log has ended.</source>
        <translation>Das NMEA-Protokoll ist zu Ende.</translation>
    </message>
    <message>
        <source>gpsd does not answer. Right-click or hold the map: “I am here”.</source>
        <translation>gpsd antwortet nicht. Rechtsklick oder lange auf die Karte drücken: „Ich bin hier“.</translation>
    </message>
    <message>
        <source>Position from gpsd</source>
        <translation>Position von gpsd</translation>
    </message>
    <message>
        <source>Position from the location service</source>
        <translation>Position vom Ortungsdienst</translation>
    </message>
    <message>
        <source>The location service refuses this app. Allow it in the desktop’s privacy settings, or right-click or hold the map: “I am here”.</source>
        <translation>Der Ortungsdienst verweigert dieser App den Zugriff. Erlaube ihn in den Datenschutzeinstellungen des Desktops, oder rechtsklick oder lange auf die Karte drücken: „Ich bin hier“.</translation>
    </message>
    <message>
        <source>Location services are off. Switch them on in the desktop’s privacy settings, or right-click or hold the map: “I am here”.</source>
        <translation>Die Ortungsdienste sind aus. Schalte sie in den Datenschutzeinstellungen des Desktops ein, oder rechtsklick oder lange auf die Karte drücken: „Ich bin hier“.</translation>
    </message>
    <message>
        <source>No location service is available. Right-click or hold the map: “I am here”.</source>
        <translation>Kein Ortungsdienst verfügbar. Rechtsklick oder lange auf die Karte drücken: „Ich bin hier“.</translation>
    </message>
    <message>
        <source>Position unknown.</source>
        <translation>Position unbekannt.</translation>
    </message>
    <message>
        <source>Set by you</source>
        <translation>Von dir gesetzt</translation>
    </message>
    <message>
        <source>Approximate position, ±%1</source>
        <translation>Ungefähre Position, ±%1</translation>
    </message>
    <message>
        <source>Last known position, from an earlier run.</source>
        <translation>Letzte bekannte Position, aus einem früheren Start.</translation>
    </message>
    <message>
        <source>Centre the map on your position</source>
        <translation>Karte auf deine Position zentrieren</translation>
    </message>
    <message>
        <source>More map controls</source>
        <translation>Weitere Kartenknöpfe</translation>
    </message>
    <message>
        <source>I am here</source>
        <translation>Ich bin hier</translation>
    </message>
    <message>
        <source>Position unknown. Right-click or hold the map: “I am here”.</source>
        <translation>Position unbekannt. Rechtsklick oder lange auf die Karte drücken: „Ich bin hier“.</translation>
    </message>
    <message>
        <source>Map</source>
        <translation>Karte</translation>
    </message>
    <message>
        <source>Standard map.</source>
        <translation>Standardkarte.</translation>
    </message>
    <message>
        <source>Satellite map.</source>
        <translation>Satellitenkarte.</translation>
    </message>
    <message>
        <source>Hybrid map.</source>
        <translation>Hybridkarte.</translation>
    </message>
    <message>
        <source>No storm circle.</source>
        <translation>Kein Gewitterkreis.</translation>
    </message>
    <message>
        <source>Storm circle of %1 around latitude %2, longitude %3.</source>
        <translation>Gewitterkreis von %1 um Breite %2, Länge %3.</translation>
    </message>
    <message>
        <source>Your position is known.</source>
        <translation>Deine Position ist bekannt.</translation>
    </message>
    <message>
        <source>Your position is unknown.</source>
        <translation>Deine Position ist unbekannt.</translation>
    </message>
    <message>
        <source>Map offline: no tiles could be loaded</source>
        <translation>Karte offline: Es konnten keine Kacheln geladen werden</translation>
    </message>
    <message>
        <source>Map offline: some tiles could not be loaded</source>
        <translation>Karte offline: Einige Kacheln konnten nicht geladen werden</translation>
    </message>
    <message>
        <source>Loading map…</source>
        <translation>Karte wird geladen…</translation>
    </message>
    <message>
        <source>Map offline</source>
        <translation>Karte offline</translation>
    </message>
    <message>
        <source>Type a position…</source>
        <translation>Position eingeben…</translation>
    </message>
    <message>
        <source>Type your position</source>
        <translation>Gib deine Position ein</translation>
    </message>
    <message>
        <source>Latitude and longitude, in decimal degrees or in degrees, minutes and seconds.</source>
        <translation>Breite und Länge, in Dezimalgrad oder in Grad, Minuten und Sekunden.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Setzen</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Not a position. Type it as 52.52, 13.405 or as 52°31′12″N 13°24′18″E.</source>
        <translation>Keine Position. Gib sie als 52.52, 13.405 oder als 52°31′12″N 13°24′18″E ein.</translation>
    </message>
    <message>
        <source>The latitude is at most 90° north or south.</source>
        <translation>Die Breite ist höchstens 90° Nord oder Süd.</translation>
    </message>
    <message>
        <source>The longitude is at most 180° east or west.</source>
        <translation>Die Länge ist höchstens 180° Ost oder West.</translation>
    </message>
</context>
<context>
    <name>HistoryScreen</name>
    <message>
        <source>Strikes more than half an hour apart belong to different storms</source>
        <translation>Blitze mehr als eine halbe Stunde auseinander gehören zu verschiedenen Gewittern</translation>
    </message>
    <message>
        <source>Storm</source>
        <translation>Gewitter</translation>
    </message>
    <message>
        <source>Remove the chosen strike (Delete)</source>
        <translation>Den gewählten Blitz entfernen (Entf)</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Strikes, newest first</source>
        <translation>Einschläge, neueste zuerst</translation>
    </message>
    <message>
        <source>Strike history</source>
        <translation>Blitzverlauf</translation>
    </message>
    <message>
        <source>Export CSV…</source>
        <translation>CSV exportieren…</translation>
    </message>
    <message>
        <source>Write every strike to a CSV file</source>
        <translation>Alle Blitze in eine CSV-Datei schreiben</translation>
    </message>
    <message>
        <source>Clear…</source>
        <translation>Löschen…</translation>
    </message>
    <message>
        <source>Remove every recorded strike</source>
        <translation>Alle aufgezeichneten Blitze entfernen</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Set direction…</source>
        <translation>Richtung setzen…</translation>
    </message>
    <message>
        <source>Set the direction of the chosen strike</source>
        <translation>Richtung des gewählten Blitzes setzen</translation>
    </message>
    <message>
        <source>Give the chosen strike the direction its flash was in, or take it away</source>
        <translation>Gib dem gewählten Blitz die Richtung, in der er aufleuchtete, oder nimm sie weg</translation>
    </message>
</context>
<context>
    <name>storm::qt::StrikeTableModel</name>
    <message>
        <source>Delay in seconds</source>
        <translation>Dauer in Sekunden</translation>
    </message>
    <message>
        <source>Miles</source>
        <translation>Meilen</translation>
    </message>
    <message>
        <source>Kilometres</source>
        <translation>Kilometer</translation>
    </message>
    <message>
        <source>±%1 km</source>
        <translation>±%1 km</translation>
    </message>
    <message>
        <source>±%1 m</source>
        <translation>±%1 m</translation>
    </message>
    <message>
        <source>Last known position, from an earlier run</source>
        <translation>Letzte bekannte Position, aus einem früheren Start</translation>
    </message>
    <message>
        <source>Given at start</source>
        <translation>Beim Start angegeben</translation>
    </message>
    <message>
        <source>From an NMEA log</source>
        <translation>Aus einem NMEA-Protokoll</translation>
    </message>
    <message>
        <source>From gpsd</source>
        <translation>Von gpsd</translation>
    </message>
    <message>
        <source>From the location service</source>
        <translation>Vom Ortungsdienst</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeitpunkt</translation>
    </message>
    <message>
        <source>Delay (s)</source>
        <translation>Dauer (s)</translation>
    </message>
    <message>
        <source>mi</source>
        <translation>mi</translation>
    </message>
    <message>
        <source>km</source>
        <translation>km</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <source>NE</source>
        <translation>NO</translation>
    </message>
    <message>
        <source>E</source>
        <translation>O</translation>
    </message>
    <message>
        <source>SE</source>
        <translation>SO</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>SW</source>
        <translation>SW</translation>
    </message>
    <message>
        <source>W</source>
        <translation>W</translation>
    </message>
    <message>
        <source>NW</source>
        <translation>NW</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>Richtung</translation>
    </message>
    <message>
        <source>Strike point</source>
        <translation>Einschlagpunkt</translation>
    </message>
</context>
<context>
    <name>storm::qt::QtFileChooser</name>
    <message>
        <source>Export strikes</source>
        <translation>Blitze exportieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>storm::qt::BannerWidget</name>
    <message>
        <source>Advertisement</source>
        <translation>Werbung</translation>
    </message>
    <message>
        <source>Advertisement: %1</source>
        <translation>Werbung: %1</translation>
    </message>
</context>
<context>
    <name>storm::qt::StormChart</name>
    <message>
        <source>Distance of the storm&apos;s strikes over time</source>
        <translation>Entfernung der Blitze des Gewitters über die Zeit</translation>
    </message>
</context>
<context>
    <name>MapWidget</name>
    <message>
        <source>Night look: from sunset to sunrise</source>
        <translation>Nachtansicht: von Sonnenuntergang bis Sonnenaufgang</translation>
    </message>
    <message>
        <source>Night look: off</source>
        <translation>Nachtansicht: aus</translation>
    </message>
    <message>
        <source>Night look: on</source>
        <translation>Nachtansicht: an</translation>
    </message>
</context>
</TS>
