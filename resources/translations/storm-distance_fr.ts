<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Not now</source>
        <translation>Pas maintenant</translation>
    </message>
    <message>
        <source>Degrees from 0 to 359</source>
        <translation>Degrés de 0 à 359</translation>
    </message>
    <message>
        <source>Direction of the flash in degrees</source>
        <translation>Direction de l&apos;éclair en degrés</translation>
    </message>
    <message>
        <source>Degrees</source>
        <translation>Degrés</translation>
    </message>
    <message>
        <source>Click its direction on the map or type the degrees; keys: an arrow, Shift with two arrows for the points between, or the keypad</source>
        <translation>Cliquez dans sa direction sur la carte ou tapez les degrés ; touches : une flèche, Maj avec deux flèches pour les directions intermédiaires, ou le pavé numérique</translation>
    </message>
    <message>
        <source>Where was the flash?</source>
        <translation>Où était l&apos;éclair ?</translation>
    </message>
    <message>
        <source>Barely moving</source>
        <translation>Se déplace à peine</translation>
    </message>
    <message>
        <source>No clear track yet</source>
        <translation>Pas encore de trajectoire claire</translation>
    </message>
    <message>
        <source>within 10 km in about %1 min if it keeps coming straight</source>
        <translation>à moins de 10 km dans env. %1 min s&apos;il vient tout droit</translation>
    </message>
    <message>
        <source>within 6 mi in about %1 min if it keeps coming straight</source>
        <translation>à moins de 6 mi dans env. %1 min s&apos;il vient tout droit</translation>
    </message>
    <message>
        <source>within 6 mi in about %1 min</source>
        <translation>à moins de 6 mi dans env. %1 min</translation>
    </message>
    <message>
        <source>within 6 mi now</source>
        <translation>à moins de 6 mi</translation>
    </message>
    <message>
        <source>Heading straight for you</source>
        <translation>Se dirige droit sur vous</translation>
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
        <translation>Passe peut-être maintenant %1</translation>
    </message>
    <message>
        <source>May pass %1 in about %2 min</source>
        <translation>Passera peut-être %1 dans environ %2 min</translation>
    </message>
    <message>
        <source>Two storms: %1 and %2</source>
        <translation>Deux orages : %1 et %2</translation>
    </message>
    <message>
        <source>Two storms: about %1 and %2 away</source>
        <translation>Deux orages : à environ %1 et %2</translation>
    </message>
    <message>
        <source>Heading straight for you: %1</source>
        <translation>Se dirige droit sur vous : %1</translation>
    </message>
    <message>
        <source>Moving away to the %1</source>
        <translation>S&apos;éloigne %1</translation>
    </message>
    <message>
        <source>Moving %1 at %2</source>
        <translation>Se déplace %1 à %2</translation>
    </message>
    <message>
        <source>north-west of you</source>
        <translation>au nord-ouest de vous</translation>
    </message>
    <message>
        <source>west of you</source>
        <translation>à l&apos;ouest de vous</translation>
    </message>
    <message>
        <source>south-west of you</source>
        <translation>au sud-ouest de vous</translation>
    </message>
    <message>
        <source>south of you</source>
        <translation>au sud de vous</translation>
    </message>
    <message>
        <source>south-east of you</source>
        <translation>au sud-est de vous</translation>
    </message>
    <message>
        <source>east of you</source>
        <translation>à l&apos;est de vous</translation>
    </message>
    <message>
        <source>north-east of you</source>
        <translation>au nord-est de vous</translation>
    </message>
    <message>
        <source>north of you</source>
        <translation>au nord de vous</translation>
    </message>
    <message>
        <source>north-west</source>
        <translation>vers le nord-ouest</translation>
    </message>
    <message>
        <source>west</source>
        <translation>vers l&apos;ouest</translation>
    </message>
    <message>
        <source>south-west</source>
        <translation>vers le sud-ouest</translation>
    </message>
    <message>
        <source>south</source>
        <translation>vers le sud</translation>
    </message>
    <message>
        <source>south-east</source>
        <translation>vers le sud-est</translation>
    </message>
    <message>
        <source>east</source>
        <translation>vers l&apos;est</translation>
    </message>
    <message>
        <source>north-east</source>
        <translation>vers le nord-est</translation>
    </message>
    <message>
        <source>north</source>
        <translation>vers le nord</translation>
    </message>
    <message>
        <source>%1 · one strike · %2 away</source>
        <translation>%1 · un éclair · à %2</translation>
    </message>
    <message>
        <source>All clear in %1 min</source>
        <translation>Fin d’alerte dans %1 min</translation>
    </message>
    <message>
        <source>Timing</source>
        <translation>Chronométrage en cours</translation>
    </message>
    <message>
        <source>%1 kilometres, %2 miles</source>
        <translation>%1 kilomètres, %2 miles</translation>
    </message>
    <message>
        <source>%1 to %2 · %3 strikes · closest %4</source>
        <translation>%1 à %2 · %3 éclairs · au plus près %4</translation>
    </message>
    <message>
        <source>%1–%2 · %3 strikes · %4</source>
        <translation>%1–%2 · %3 éclairs · %4</translation>
    </message>
    <message>
        <source>Could not remove the strike</source>
        <translation>Impossible de supprimer l’éclair</translation>
    </message>
    <message>
        <source>Strike removed</source>
        <translation>Éclair supprimé</translation>
    </message>
    <message>
        <source>Show the storm</source>
        <translation>Montrer l’orage</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Too quick to be thunder: not logged. Press at the flash, then at the thunder.</source>
        <translation>Trop rapide pour un tonnerre : non enregistré. Appuyez à l’éclair, puis au tonnerre.</translation>
    </message>
    <message>
        <source>The strike log cannot be used by this version: strikes are kept in a log of their own beside it.</source>
        <translation>La liste des éclairs ne peut pas être utilisée par cette version : les éclairs sont gardés dans une liste à part, à côté.</translation>
    </message>
    <message>
        <source>No strike log can be written: strikes are kept only until the app ends.</source>
        <translation>Aucune liste des éclairs ne peut être écrite : les éclairs ne sont gardés que jusqu’à la fermeture de l’app.</translation>
    </message>
    <message>
        <source>Some strikes in the log are dated in the future and are not shown: check the device&apos;s clock.</source>
        <translation>Certains éclairs de la liste sont datés dans le futur et ne sont pas affichés : vérifiez l’horloge de l’appareil.</translation>
    </message>
    <message>
        <source>The strike log was damaged: it is kept aside, and a fresh log holds the strikes that could be read.</source>
        <translation>La liste des éclairs était endommagée : elle est mise de côté, et une nouvelle liste contient les éclairs qui ont pu être lus.</translation>
    </message>
    <message>
        <source>Last strike %1 h %2 min ago</source>
        <translation>Dernier éclair il y a %1 h %2 min</translation>
    </message>
    <message>
        <source>Last strike %1 min ago</source>
        <translation>Dernier éclair il y a %1 min</translation>
    </message>
    <message>
        <source>Last strike less than a minute ago</source>
        <translation>Dernier éclair il y a moins d’une minute</translation>
    </message>
    <message>
        <source>about %1 mph</source>
        <translation>environ %1 mph</translation>
    </message>
    <message>
        <source>about %1 km/h</source>
        <translation>environ %1 km/h</translation>
    </message>
    <message>
        <source>No clear trend yet</source>
        <translation>Pas encore de tendance nette</translation>
    </message>
    <message>
        <source>Keeping its distance</source>
        <translation>Garde ses distances</translation>
    </message>
    <message>
        <source>Rate %@</source>
        <translation>Noter %@</translation>
    </message>
    <message>
        <source>If you enjoy using %@, would you mind taking a moment to rate it? It won't take more than a minute. Thanks for your support!</source>
        <translation>Si vous aimez utiliser %@, pourriez-vous prendre un moment pour l’évaluer ? Cela ne prendra pas plus d’une minute. Merci pour votre soutien !</translation>
    </message>
    <message>
        <source>No, Thanks</source>
        <translation>Non, merci</translation>
    </message>
    <message>
        <source>Remind me later</source>
        <translation>Me le rappeler plus tard</translation>
    </message>
    <message>
        <source>Approaching</source>
        <translation>Se rapproche</translation>
    </message>
    <message>
        <source>Moving away</source>
        <translation>S’éloigne</translation>
    </message>
    <message>
        <source>within 10 km now</source>
        <translation>à moins de 10 km</translation>
    </message>
    <message>
        <source>within 10 km in about %1 min</source>
        <translation>à moins de 10 km dans env. %1 min</translation>
    </message>
    <message>
        <source>Standard (%1)</source>
        <translation>Standard (%1)</translation>
    </message>
    <message>
        <source>Speed of sound at %1: %2 m/s.</source>
        <translation>Vitesse du son à %1 : %2 m/s.</translation>
    </message>
    <message>
        <source>Standard speed of sound: %1 m/s. Type the air temperature for a closer figure, or leave the field empty.</source>
        <translation>Vitesse du son standard : %1 m/s. Saisissez la température de l’air pour un chiffre plus juste, ou laissez le champ vide.</translation>
    </message>
    <message>
        <source>Enter a temperature from %1 to %2, or leave the field empty for the standard speed of sound.</source>
        <translation>Saisissez une température de %1 à %2, ou laissez le champ vide pour la vitesse du son standard.</translation>
    </message>
    <message>
        <source>Last 15 minutes: %1</source>
        <translation>15 dernières minutes : %1</translation>
    </message>
    <message>
        <source>Not enough strikes in the last 15 minutes for a trend</source>
        <translation>Pas assez d’éclairs dans les 15 dernières minutes pour une tendance</translation>
    </message>
    <message>
        <source>No strikes recorded yet</source>
        <translation>Aucun éclair enregistré pour l’instant</translation>
    </message>
    <message>
        <source>Clear all strikes?</source>
        <translation>Effacer tous les éclairs ?</translation>
    </message>
    <message>
        <source>The call to take shelter stays until the all-clear.</source>
        <translation>L’appel à se mettre à l’abri reste jusqu’à la fin de l’alerte.</translation>
    </message>
    <message>
        <source>This removes every recorded strike. It cannot be undone.</source>
        <translation>Tous les éclairs enregistrés seront supprimés. Cette action est irréversible.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Effacer</translation>
    </message>
    <message>
        <source>Exported %1 strikes to %2</source>
        <translation>%1 éclairs exportés vers %2</translation>
    </message>
    <message>
        <source>Exported 1 strike to %1</source>
        <translation>1 éclair exporté vers %1</translation>
    </message>
    <message>
        <source>Could not write %1</source>
        <translation>Impossible d’écrire %1</translation>
    </message>
    <message>
        <source>Could not clear the strike log</source>
        <translation>Impossible d’effacer la liste des éclairs</translation>
    </message>
    <message>
        <source>Take shelter now</source>
        <translation>Mettez-vous à l’abri</translation>
    </message>
    <message>
        <source>All clear in %1</source>
        <translation>Fin d’alerte dans %1</translation>
    </message>
    <message>
        <source>All clear: no close thunder for 30 minutes</source>
        <translation>Fin d’alerte : pas de tonnerre proche depuis 30 minutes</translation>
    </message>
    <message>
        <source>All clear</source>
        <translation>Fin d’alerte</translation>
    </message>
    <message>
        <source>No thunder within 10 km for the last 30 minutes.</source>
        <translation>Aucun tonnerre à moins de 10 km depuis 30 minutes.</translation>
    </message>
    <message>
        <source>Still using %1.</source>
        <translation>%1 reste en vigueur.</translation>
    </message>
    <message>
        <source>Still using the standard %1.</source>
        <translation>La valeur standard de %1 reste en vigueur.</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Définir</translation>
    </message>
    <message>
        <source>Remove direction</source>
        <translation>Supprimer la direction</translation>
    </message>
    <message>
        <source>Direction of the flash</source>
        <translation>Direction de l’éclair</translation>
    </message>
    <message>
        <source>Degrees clockwise from north: 0 is north, 90 east, 180 south.</source>
        <translation>Degrés dans le sens horaire depuis le nord : 0 est le nord, 90 l’est, 180 le sud.</translation>
    </message>
    <message>
        <source>Degrees</source>
        <translation>Degrés</translation>
    </message>
    <message>
        <source>Not a direction. Type a number of degrees below 360, such as 45 or 202.5.</source>
        <translation>Ce n’est pas une direction. Saisissez un nombre de degrés inférieur à 360, par exemple 45 ou 202,5.</translation>
    </message>
    <message>
        <source>Could not save the direction</source>
        <translation>Impossible d’enregistrer la direction</translation>
    </message>
    <message>
        <source>Direction removed</source>
        <translation>Direction supprimée</translation>
    </message>
    <message>
        <source>Direction saved</source>
        <translation>Direction enregistrée</translation>
    </message>
</context>
<context>
    <name>MainScreen</name>
    <message>
        <source>Map type</source>
        <translation>Type de carte</translation>
    </message>
    <message>
        <source>Seconds since the flash</source>
        <translation>Secondes depuis l’éclair</translation>
    </message>
    <message>
        <source>Distance of the lightning</source>
        <translation>Distance de la foudre</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Plan</translation>
    </message>
    <message>
        <source>Satellite</source>
        <translation>Satellite</translation>
    </message>
    <message>
        <source>Hybrid</source>
        <translation>Mixte</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Boutique</translation>
    </message>
    <message>
        <source>This app's page in the store</source>
        <translation>La page de cette appli dans la boutique</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Infos</translation>
    </message>
    <message>
        <source>How it works</source>
        <translation>Comment ça marche</translation>
    </message>
    <message>
        <source>Press at the flash</source>
        <translation>Appuyez à l’éclair</translation>
    </message>
    <message>
        <source>Space or Enter</source>
        <translation>Espace ou Entrée</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Journal</translation>
    </message>
    <message>
        <source>Strikes so far</source>
        <translation>Les éclairs jusqu’ici</translation>
    </message>
    <message>
        <source>Map type</source>
        <translation>Type de carte</translation>
    </message>
</context>
<context>
    <name>InfoScreen</name>
    <message>
        <source>How far away is the storm?</source>
        <translation>À quelle distance est l’orage ?</translation>
    </message>
    <message>
        <source>&lt;p&gt;Light reaches you at once; thunder travels at the speed of sound, about 340 metres a second. The delay between the two tells how far away the lightning struck.&lt;/p&gt;&lt;p&gt;&lt;b&gt;How to use it:&lt;/b&gt; press &lt;i&gt;SAW LIGHTNING&lt;/i&gt; (or Space) at the flash, and &lt;i&gt;HEARD THUNDER&lt;/i&gt; when the thunder arrives. The distance appears in miles and kilometres, and the map draws a circle of that radius around you.&lt;/p&gt;&lt;p&gt;&lt;b&gt;An estimate:&lt;/b&gt; the speed of sound used is that of air at 15 °C (340.29 m/s); warmer or colder air changes it by a few per cent. Your reaction time at each press adds or removes a few tens of metres, and long rolls of thunder make the first rumble hard to catch.&lt;/p&gt;&lt;p&gt;If the delay is under 30 seconds (10 km), the storm is close enough to be dangerous: go indoors.&lt;/p&gt;&lt;p style=&quot;color:#cbd2d9; font-size:12px&quot;&gt;Map data © OpenStreetMap contributors. Imagery © its providers, as shown on the map.&lt;/p&gt;</source>
        <translation>&lt;p&gt;La lumière vous parvient aussitôt ; le tonnerre voyage à la vitesse du son, environ 340 mètres par seconde. Le délai entre les deux indique à quelle distance la foudre est tombée.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Mode d’emploi :&lt;/b&gt; appuyez sur &lt;i&gt;SAW LIGHTNING&lt;/i&gt; (ou Espace) à l’éclair, puis sur &lt;i&gt;HEARD THUNDER&lt;/i&gt; quand le tonnerre arrive. La distance s’affiche en miles et en kilomètres, et la carte trace autour de vous un cercle de ce rayon.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Une estimation :&lt;/b&gt; la vitesse du son retenue est celle de l’air à 15 °C (340,29 m/s) ; un air plus chaud ou plus froid la modifie de quelques pour cent. Votre temps de réaction à chaque appui ajoute ou retire quelques dizaines de mètres, et les longs roulements de tonnerre rendent le premier grondement difficile à saisir.&lt;/p&gt;&lt;p&gt;Si le délai est inférieur à 30 secondes (10 km), l’orage est assez proche pour être dangereux : mettez-vous à l’abri.&lt;/p&gt;&lt;p style=&quot;color:#cbd2d9; font-size:12px&quot;&gt;Données cartographiques © contributeurs d’OpenStreetMap. Imagerie © ses fournisseurs, comme indiqué sur la carte.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>More apps from the maker</source>
        <translation>Autres applications de l’éditeur</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Air temperature</source>
        <translation>Température de l’air</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Keyboard:&lt;/b&gt; Space/Enter: start and stop. Escape: cancel a measurement, close this screen. +/-: zoom the map. Tab: next control.&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Clavier :&lt;/b&gt; Espace/Entrée : démarrer et arrêter. Échap : annuler la mesure, fermer cet écran. +/- : zoomer la carte. Tab : commande suivante.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>T: start or stop, wherever the focus is. F1: this screen. Ctrl+H: history. Ctrl+E: export the history. Ctrl+0: show the storm. Ctrl+L: type your position. Ctrl+Q: quit.</source>
        <translation>T : démarrer ou arrêter, où que soit le focus. F1 : cet écran. Ctrl+H : journal. Ctrl+E : exporter le journal. Ctrl+0 : montrer l’orage. Ctrl+L : saisir votre position. Ctrl+Q : quitter.</translation>
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
        <translation>Dernière position connue, il y a %1 j</translation>
    </message>
    <message>
        <source>Last known position, %1 h ago</source>
        <translation>Dernière position connue, il y a %1 h</translation>
    </message>
    <message>
        <source>Last known position, %1 min ago</source>
        <translation>Dernière position connue, il y a %1 min</translation>
    </message>
    <message>
        <source>Last known position, less than a minute ago</source>
        <translation>Dernière position connue, il y a moins d’une minute</translation>
    </message>
    <message>
        <source>No fix from the location service for some minutes. Go where the sky is open, or right-click or hold the map: “I am here”.</source>
        <translation>Aucune position du service de localisation depuis quelques minutes. Allez à ciel ouvert, ou clic droit ou appui long sur la carte : « Je suis ici ».</translation>
    </message>
    <message>
        <source>The GPS receiver has no fix. Go where the sky is open, or right-click or hold the map: “I am here”.</source>
        <translation>Le récepteur GPS n’a pas de position. Allez à ciel ouvert, ou clic droit ou appui long sur la carte : « Je suis ici ».</translation>
    </message>
    <message>
        <source>The NMEA log has ended.</source>
        <translation>Le journal NMEA est terminé.</translation>
    </message>
    <message>
        <source>gpsd does not answer. Right-click or hold the map: “I am here”.</source>
        <translation>gpsd ne répond pas. Clic droit ou appui long sur la carte : « Je suis ici ».</translation>
    </message>
    <message>
        <source>Position from gpsd</source>
        <translation>Position de gpsd</translation>
    </message>
    <message>
        <source>Position from the location service</source>
        <translation>Position du service de localisation</translation>
    </message>
    <message>
        <source>The location service refuses this app. Allow it in the desktop’s privacy settings, or right-click or hold the map: “I am here”.</source>
        <translation>Le service de localisation refuse cette application. Autorisez-la dans les paramètres de confidentialité du bureau, ou clic droit ou appui long sur la carte : « Je suis ici ».</translation>
    </message>
    <message>
        <source>Location services are off. Switch them on in the desktop’s privacy settings, or right-click or hold the map: “I am here”.</source>
        <translation>Les services de localisation sont désactivés. Activez-les dans les paramètres de confidentialité du bureau, ou clic droit ou appui long sur la carte : « Je suis ici ».</translation>
    </message>
    <message>
        <source>No location service is available. Right-click or hold the map: “I am here”.</source>
        <translation>Aucun service de localisation disponible. Clic droit ou appui long sur la carte : « Je suis ici ».</translation>
    </message>
    <message>
        <source>Position unknown.</source>
        <translation>Position inconnue.</translation>
    </message>
    <message>
        <source>Set by you</source>
        <translation>Définie par vous</translation>
    </message>
    <message>
        <source>Approximate position, ±%1</source>
        <translation>Position approximative, ±%1</translation>
    </message>
    <message>
        <source>Last known position, from an earlier run.</source>
        <translation>Dernière position connue, d’une session précédente.</translation>
    </message>
    <message>
        <source>Centre the map on your position</source>
        <translation>Centrer la carte sur votre position</translation>
    </message>
    <message>
        <source>More map controls</source>
        <translation>Autres commandes de la carte</translation>
    </message>
    <message>
        <source>I am here</source>
        <translation>Je suis ici</translation>
    </message>
    <message>
        <source>Position unknown. Right-click or hold the map: “I am here”.</source>
        <translation>Position inconnue. Clic droit ou appui long sur la carte : « Je suis ici ».</translation>
    </message>
    <message>
        <source>Map</source>
        <translation>Carte</translation>
    </message>
    <message>
        <source>Standard map.</source>
        <translation>Carte standard.</translation>
    </message>
    <message>
        <source>Satellite map.</source>
        <translation>Carte satellite.</translation>
    </message>
    <message>
        <source>Hybrid map.</source>
        <translation>Carte hybride.</translation>
    </message>
    <message>
        <source>No storm circle.</source>
        <translation>Aucun cercle d’orage.</translation>
    </message>
    <message>
        <source>Storm circle of %1 around latitude %2, longitude %3.</source>
        <translation>Cercle d’orage de %1 autour de la latitude %2, longitude %3.</translation>
    </message>
    <message>
        <source>Your position is known.</source>
        <translation>Votre position est connue.</translation>
    </message>
    <message>
        <source>Your position is unknown.</source>
        <translation>Votre position est inconnue.</translation>
    </message>
    <message>
        <source>Map offline: no tiles could be loaded</source>
        <translation>Carte hors ligne : aucune tuile n’a pu être chargée</translation>
    </message>
    <message>
        <source>Map offline: some tiles could not be loaded</source>
        <translation>Carte hors ligne : certaines tuiles n’ont pas pu être chargées</translation>
    </message>
    <message>
        <source>Loading map…</source>
        <translation>Chargement de la carte…</translation>
    </message>
    <message>
        <source>Map offline</source>
        <translation>Carte hors ligne</translation>
    </message>
    <message>
        <source>Type a position…</source>
        <translation>Saisir une position…</translation>
    </message>
    <message>
        <source>Type your position</source>
        <translation>Saisissez votre position</translation>
    </message>
    <message>
        <source>Latitude and longitude, in decimal degrees or in degrees, minutes and seconds.</source>
        <translation>Latitude et longitude, en degrés décimaux ou en degrés, minutes et secondes.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Définir</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Not a position. Type it as 52.52, 13.405 or as 52°31′12″N 13°24′18″E.</source>
        <translation>Ce n’est pas une position. Saisissez-la sous la forme 52.52, 13.405 ou 52°31′12″N 13°24′18″E.</translation>
    </message>
    <message>
        <source>The latitude is at most 90° north or south.</source>
        <translation>La latitude est d’au plus 90° nord ou sud.</translation>
    </message>
    <message>
        <source>The longitude is at most 180° east or west.</source>
        <translation>La longitude est d’au plus 180° est ou ouest.</translation>
    </message>
</context>
<context>
    <name>HistoryScreen</name>
    <message>
        <source>Strikes more than half an hour apart belong to different storms</source>
        <translation>Des éclairs à plus d’une demi-heure d’écart appartiennent à des orages différents</translation>
    </message>
    <message>
        <source>Storm</source>
        <translation>Orage</translation>
    </message>
    <message>
        <source>Remove the chosen strike (Delete)</source>
        <translation>Supprimer l’éclair choisi (Suppr)</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Strikes, newest first</source>
        <translation>Impacts, les plus récents d’abord</translation>
    </message>
    <message>
        <source>Strike history</source>
        <translation>Historique des éclairs</translation>
    </message>
    <message>
        <source>Export CSV…</source>
        <translation>Exporter en CSV…</translation>
    </message>
    <message>
        <source>Write every strike to a CSV file</source>
        <translation>Écrire tous les éclairs dans un fichier CSV</translation>
    </message>
    <message>
        <source>Clear…</source>
        <translation>Effacer…</translation>
    </message>
    <message>
        <source>Remove every recorded strike</source>
        <translation>Supprimer tous les éclairs enregistrés</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Set direction…</source>
        <translation>Définir la direction…</translation>
    </message>
    <message>
        <source>Set the direction of the chosen strike</source>
        <translation>Définir la direction de l’éclair choisi</translation>
    </message>
    <message>
        <source>Give the chosen strike the direction its flash was in, or take it away</source>
        <translation>Donnez à l’éclair choisi la direction où il a brillé, ou retirez-la</translation>
    </message>
</context>
<context>
    <name>storm::qt::StrikeTableModel</name>
    <message>
        <source>Delay in seconds</source>
        <translation>Délai en secondes</translation>
    </message>
    <message>
        <source>Miles</source>
        <translation>Milles</translation>
    </message>
    <message>
        <source>Kilometres</source>
        <translation>Kilomètres</translation>
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
        <translation>Dernière position connue, d’une session précédente</translation>
    </message>
    <message>
        <source>Given at start</source>
        <translation>Donnée au démarrage</translation>
    </message>
    <message>
        <source>From an NMEA log</source>
        <translation>D’un journal NMEA</translation>
    </message>
    <message>
        <source>From gpsd</source>
        <translation>De gpsd</translation>
    </message>
    <message>
        <source>From the location service</source>
        <translation>Du service de localisation</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Heure</translation>
    </message>
    <message>
        <source>Delay (s)</source>
        <translation>Délai (s)</translation>
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
        <translation>NE</translation>
    </message>
    <message>
        <source>E</source>
        <translation>E</translation>
    </message>
    <message>
        <source>SE</source>
        <translation>SE</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>SW</source>
        <translation>SO</translation>
    </message>
    <message>
        <source>W</source>
        <translation>O</translation>
    </message>
    <message>
        <source>NW</source>
        <translation>NO</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>Strike point</source>
        <translation>Point d’impact</translation>
    </message>
</context>
<context>
    <name>storm::qt::QtFileChooser</name>
    <message>
        <source>Export strikes</source>
        <translation>Exporter les éclairs</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Fichiers CSV (*.csv)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Tous les fichiers (*)</translation>
    </message>
</context>
<context>
    <name>storm::qt::BannerWidget</name>
    <message>
        <source>Advertisement</source>
        <translation>Publicité</translation>
    </message>
    <message>
        <source>Advertisement: %1</source>
        <translation>Publicité : %1</translation>
    </message>
</context>
<context>
    <name>storm::qt::StormChart</name>
    <message>
        <source>Distance of the storm&apos;s strikes over time</source>
        <translation>Distance des éclairs de l’orage au fil du temps</translation>
    </message>
</context>
<context>
    <name>MapWidget</name>
    <message>
        <source>Night look: from sunset to sunrise</source>
        <translation>Vue de nuit : du coucher au lever du soleil</translation>
    </message>
    <message>
        <source>Night look: off</source>
        <translation>Vue de nuit : désactivée</translation>
    </message>
    <message>
        <source>Night look: on</source>
        <translation>Vue de nuit : activée</translation>
    </message>
</context>
</TS>
