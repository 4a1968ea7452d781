<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES" sourcelanguage="en">
<context>
    <name>Localizable</name>
    <message>
        <source>Not now</source>
        <translation>Ahora no</translation>
    </message>
    <message>
        <source>Degrees from 0 to 359</source>
        <translation>Grados de 0 a 359</translation>
    </message>
    <message>
        <source>Direction of the flash in degrees</source>
        <translation>Dirección del relámpago en grados</translation>
    </message>
    <message>
        <source>Degrees</source>
        <translation>Grados</translation>
    </message>
    <message>
        <source>Click its direction on the map or type the degrees; keys: an arrow, Shift with two arrows for the points between, or the keypad</source>
        <translation>Haz clic en su dirección en el mapa o escribe los grados; teclas: una flecha, Mayús con dos flechas para las direcciones intermedias, o el teclado numérico</translation>
    </message>
    <message>
        <source>Where was the flash?</source>
        <translation>¿Dónde fue el relámpago?</translation>
    </message>
    <message>
        <source>Barely moving</source>
        <translation>Apenas se mueve</translation>
    </message>
    <message>
        <source>No clear track yet</source>
        <translation>Aún no hay una trayectoria clara</translation>
    </message>
    <message>
        <source>within 10 km in about %1 min if it keeps coming straight</source>
        <translation>a menos de 10 km en unos %1 min si viene en línea recta</translation>
    </message>
    <message>
        <source>within 6 mi in about %1 min if it keeps coming straight</source>
        <translation>a menos de 6 mi en unos %1 min si viene en línea recta</translation>
    </message>
    <message>
        <source>within 6 mi in about %1 min</source>
        <translation>a menos de 6 mi en unos %1 min</translation>
    </message>
    <message>
        <source>within 6 mi now</source>
        <translation>ya a menos de 6 mi</translation>
    </message>
    <message>
        <source>Heading straight for you</source>
        <translation>Viene directo hacia ti</translation>
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
        <translation>Puede pasar ahora %1</translation>
    </message>
    <message>
        <source>May pass %1 in about %2 min</source>
        <translation>Puede pasar %1 en unos %2 min</translation>
    </message>
    <message>
        <source>Two storms: %1 and %2</source>
        <translation>Dos tormentas: %1 y %2</translation>
    </message>
    <message>
        <source>Two storms: about %1 and %2 away</source>
        <translation>Dos tormentas: a unos %1 y %2</translation>
    </message>
    <message>
        <source>Heading straight for you: %1</source>
        <translation>Viene directo hacia ti: %1</translation>
    </message>
    <message>
        <source>Moving away to the %1</source>
        <translation>Se aleja %1</translation>
    </message>
    <message>
        <source>Moving %1 at %2</source>
        <translation>Se mueve %1 a %2</translation>
    </message>
    <message>
        <source>north-west of you</source>
        <translation>al noroeste de ti</translation>
    </message>
    <message>
        <source>west of you</source>
        <translation>al oeste de ti</translation>
    </message>
    <message>
        <source>south-west of you</source>
        <translation>al suroeste de ti</translation>
    </message>
    <message>
        <source>south of you</source>
        <translation>al sur de ti</translation>
    </message>
    <message>
        <source>south-east of you</source>
        <translation>al sureste de ti</translation>
    </message>
    <message>
        <source>east of you</source>
        <translation>al este de ti</translation>
    </message>
    <message>
        <source>north-east of you</source>
        <translation>al noreste de ti</translation>
    </message>
    <message>
        <source>north of you</source>
        <translation>al norte de ti</translation>
    </message>
    <message>
        <source>north-west</source>
        <translation>hacia el noroeste</translation>
    </message>
    <message>
        <source>west</source>
        <translation>hacia el oeste</translation>
    </message>
    <message>
        <source>south-west</source>
        <translation>hacia el suroeste</translation>
    </message>
    <message>
        <source>south</source>
        <translation>hacia el sur</translation>
    </message>
    <message>
        <source>south-east</source>
        <translation>hacia el sureste</translation>
    </message>
    <message>
        <source>east</source>
        <translation>hacia el este</translation>
    </message>
    <message>
        <source>north-east</source>
        <translation>hacia el noreste</translation>
    </message>
    <message>
        <source>north</source>
        <translation>hacia el norte</translation>
    </message>
    <message>
        <source>%1 · one strike · %2 away</source>
        <translation>%1 · un rayo · a %2</translation>
    </message>
    <message>
        <source>All clear in %1 min</source>
        <translation>Sin peligro en %1 min</translation>
    </message>
    <message>
        <source>Timing</source>
        <translation>Cronometrando</translation>
    </message>
    <message>
        <source>%1 kilometres, %2 miles</source>
        <translation>%1 kilómetros, %2 millas</translation>
    </message>
    <message>
        <source>%1 to %2 · %3 strikes · closest %4</source>
        <translation>%1 a %2 · %3 rayos · lo más cerca %4</translation>
    </message>
    <message>
        <source>%1–%2 · %3 strikes · %4</source>
        <translation>%1–%2 · %3 rayos · %4</translation>
    </message>
    <message>
        <source>Could not remove the strike</source>
        <translation>No se pudo eliminar el rayo</translation>
    </message>
    <message>
        <source>Strike removed</source>
        <translation>Rayo eliminado</translation>
    </message>
    <message>
        <source>Show the storm</source>
        <translation>Mostrar la tormenta</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Deshacer</translation>
    </message>
    <message>
        <source>Too quick to be thunder: not logged. Press at the flash, then at the thunder.</source>
        <translation>Demasiado rápido para un trueno: no se guardó. Pulse al ver el relámpago y luego al oír el trueno.</translation>
    </message>
    <message>
        <source>The strike log cannot be used by this version: strikes are kept in a log of their own beside it.</source>
        <translation>Esta versión no puede usar la lista de rayos: los rayos se guardan en una lista propia junto a ella.</translation>
    </message>
    <message>
        <source>No strike log can be written: strikes are kept only until the app ends.</source>
        <translation>No se puede escribir ninguna lista de rayos: los rayos solo se guardan hasta que se cierre la app.</translation>
    </message>
    <message>
        <source>Some strikes in the log are dated in the future and are not shown: check the device&apos;s clock.</source>
        <translation>Algunos rayos de la lista tienen fecha en el futuro y no se muestran: compruebe el reloj del dispositivo.</translation>
    </message>
    <message>
        <source>The strike log was damaged: it is kept aside, and a fresh log holds the strikes that could be read.</source>
        <translation>La lista de rayos estaba dañada: se guarda aparte y una lista nueva contiene los rayos que se pudieron leer.</translation>
    </message>
    <message>
        <source>Last strike %1 h %2 min ago</source>
        <translation>Último rayo hace %1 h %2 min</translation>
    </message>
    <message>
        <source>Last strike %1 min ago</source>
        <translation>Último rayo hace %1 min</translation>
    </message>
    <message>
        <source>Last strike less than a minute ago</source>
        <translation>Último rayo hace menos de un minuto</translation>
    </message>
    <message>
        <source>about %1 mph</source>
        <translation>unas %1 mph</translation>
    </message>
    <message>
        <source>about %1 km/h</source>
        <translation>unos %1 km/h</translation>
    </message>
    <message>
        <source>No clear trend yet</source>
        <translation>Aún sin tendencia clara</translation>
    </message>
    <message>
        <source>Keeping its distance</source>
        <translation>Mantiene la distancia</translation>
    </message>
    <message>
        <source>Rate %@</source>
        <translation>Valorar %@</translation>
    </message>
    <message>
        <source>If you enjoy using %@, would you mind taking a moment to rate it? It won't take more than a minute. Thanks for your support!</source>
        <translation>Si te gusta usar %@, ¿te importaría tomarte un momento para valorarla? No te llevará más de un minuto. ¡Gracias por tu apoyo!</translation>
    </message>
    <message>
        <source>No, Thanks</source>
        <translation>No, gracias</translation>
    </message>
    <message>
        <source>Remind me later</source>
        <translation>Recordármelo más tarde</translation>
    </message>
    <message>
        <source>Approaching</source>
        <translation>Se acerca</translation>
    </message>
    <message>
        <source>Moving away</source>
        <translation>Se aleja</translation>
    </message>
    <message>
        <source>within 10 km now</source>
        <translation>ya a menos de 10 km</translation>
    </message>
    <message>
        <source>within 10 km in about %1 min</source>
        <translation>a menos de 10 km en unos %1 min</translation>
    </message>
    <message>
        <source>Standard (%1)</source>
        <translation>Estándar (%1)</translation>
    </message>
    <message>
        <source>Speed of sound at %1: %2 m/s.</source>
        <translation>Velocidad del sonido a %1: %2 m/s.</translation>
    </message>
    <message>
        <source>Standard speed of sound: %1 m/s. Type the air temperature for a closer figure, or leave the field empty.</source>
        <translation>Velocidad del sonido estándar: %1 m/s. Escribe la temperatura del aire para una cifra más precisa, o deja el campo vacío.</translation>
    </message>
    <message>
        <source>Enter a temperature from %1 to %2, or leave the field empty for the standard speed of sound.</source>
        <translation>Escribe una temperatura de %1 a %2, o deja el campo vacío para la velocidad del sonido estándar.</translation>
    </message>
    <message>
        <source>Last 15 minutes: %1</source>
        <translation>Últimos 15 minutos: %1</translation>
    </message>
    <message>
        <source>Not enough strikes in the last 15 minutes for a trend</source>
        <translation>No hay suficientes rayos en los últimos 15 minutos para una tendencia</translation>
    </message>
    <message>
        <source>No strikes recorded yet</source>
        <translation>Aún no hay rayos registrados</translation>
    </message>
    <message>
        <source>Clear all strikes?</source>
        <translation>¿Borrar todos los rayos?</translation>
    </message>
    <message>
        <source>The call to take shelter stays until the all-clear.</source>
        <translation>El aviso de refugiarse sigue hasta que pase el peligro.</translation>
    </message>
    <message>
        <source>This removes every recorded strike. It cannot be undone.</source>
        <translation>Se eliminarán todos los rayos registrados. No se puede deshacer.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Borrar</translation>
    </message>
    <message>
        <source>Exported %1 strikes to %2</source>
        <translation>%1 rayos exportados a %2</translation>
    </message>
    <message>
        <source>Exported 1 strike to %1</source>
        <translation>1 rayo exportado a %1</translation>
    </message>
    <message>
        <source>Could not write %1</source>
        <translation>No se pudo escribir %1</translation>
    </message>
    <message>
        <source>Could not clear the strike log</source>
        <translation>No se pudo borrar la lista de rayos</translation>
    </message>
    <message>
        <source>Take shelter now</source>
        <translation>Busque refugio ahora</translation>
    </message>
    <message>
        <source>All clear in %1</source>
        <translation>Sin peligro en %1</translation>
    </message>
    <message>
        <source>All clear: no close thunder for 30 minutes</source>
        <translation>Sin peligro: 30 minutos sin truenos cercanos</translation>
    </message>
    <message>
        <source>All clear</source>
        <translation>Sin peligro</translation>
    </message>
    <message>
        <source>No thunder within 10 km for the last 30 minutes.</source>
        <translation>Ningún trueno a menos de 10 km en los últimos 30 minutos.</translation>
    </message>
    <message>
        <source>Still using %1.</source>
        <translation>Sigue en uso %1.</translation>
    </message>
    <message>
        <source>Still using the standard %1.</source>
        <translation>Sigue en uso el valor estándar de %1.</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Fijar</translation>
    </message>
    <message>
        <source>Remove direction</source>
        <translation>Quitar la dirección</translation>
    </message>
    <message>
        <source>Direction of the flash</source>
        <translation>Dirección del rayo</translation>
    </message>
    <message>
        <source>Degrees clockwise from north: 0 is north, 90 east, 180 south.</source>
        <translation>Grados en el sentido de las agujas del reloj desde el norte: 0 es el norte, 90 el este, 180 el sur.</translation>
    </message>
    <message>
        <source>Degrees</source>
        <translation>Grados</translation>
    </message>
    <message>
        <source>Not a direction. Type a number of degrees below 360, such as 45 or 202.5.</source>
        <translation>No es una dirección. Escribe un número de grados menor que 360, como 45 o 202,5.</translation>
    </message>
    <message>
        <source>Could not save the direction</source>
        <translation>No se pudo guardar la dirección</translation>
    </message>
    <message>
        <source>Direction removed</source>
        <translation>Dirección quitada</translation>
    </message>
    <message>
        <source>Direction saved</source>
        <translation>Dirección guardada</translation>
    </message>
</context>
<context>
    <name>MainScreen</name>
    <message>
        <source>Map type</source>
        <translation>Tipo de mapa</translation>
    </message>
    <message>
        <source>Seconds since the flash</source>
        <translation>Segundos desde el relámpago</translation>
    </message>
    <message>
        <source>Distance of the lightning</source>
        <translation>Distancia del rayo</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Estándar</translation>
    </message>
    <message>
        <source>Satellite</source>
        <translation>Satélite</translation>
    </message>
    <message>
        <source>Hybrid</source>
        <translation>Híbrido</translation>
    </message>
    <message>
        <source>Store</source>
        <translation>Tienda</translation>
    </message>
    <message>
        <source>This app's page in the store</source>
        <translation>La página de esta app en la tienda</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>How it works</source>
        <translation>Cómo funciona</translation>
    </message>
    <message>
        <source>Press at the flash</source>
        <translation>Pulsa al ver el relámpago</translation>
    </message>
    <message>
        <source>Space or Enter</source>
        <translation>Espacio o Intro</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Historial</translation>
    </message>
    <message>
        <source>Strikes so far</source>
        <translation>Los rayos hasta ahora</translation>
    </message>
    <message>
        <source>Map type</source>
        <translation>Tipo de mapa</translation>
    </message>
</context>
<context>
    <name>InfoScreen</name>
    <message>
        <source>How far away is the storm?</source>
        <translation>¿A qué distancia está la tormenta?</translation>
    </message>
    <message>
        <source>&lt;p&gt;Light reaches you at once; thunder travels at the speed of sound, about 340 metres a second. The delay between the two tells how far away the lightning struck.&lt;/p&gt;&lt;p&gt;&lt;b&gt;How to use it:&lt;/b&gt; press &lt;i&gt;SAW LIGHTNING&lt;/i&gt; (or Space) at the flash, and &lt;i&gt;HEARD THUNDER&lt;/i&gt; when the thunder arrives. The distance appears in miles and kilometres, and the map draws a circle of that radius around you.&lt;/p&gt;&lt;p&gt;&lt;b&gt;An estimate:&lt;/b&gt; the speed of sound used is that of air at 15 °C (340.29 m/s); warmer or colder air changes it by a few per cent. Your reaction time at each press adds or removes a few tens of metres, and long rolls of thunder make the first rumble hard to catch.&lt;/p&gt;&lt;p&gt;If the delay is under 30 seconds (10 km), the storm is close enough to be dangerous: go indoors.&lt;/p&gt;&lt;p style=&quot;color:#cbd2d9; font-size:12px&quot;&gt;Map data © OpenStreetMap contributors. Imagery © its providers, as shown on the map.&lt;/p&gt;</source>
        <translation>&lt;p&gt;La luz te llega al instante; el trueno viaja a la velocidad del sonido, unos 340 metros por segundo. El retraso entre ambos indica a qué distancia cayó el rayo.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Cómo usarla:&lt;/b&gt; pulsa &lt;i&gt;SAW LIGHTNING&lt;/i&gt; (o Espacio) al ver el relámpago y &lt;i&gt;HEARD THUNDER&lt;/i&gt; cuando llegue el trueno. La distancia aparece en millas y kilómetros, y el mapa dibuja a tu alrededor un círculo de ese radio.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Una estimación:&lt;/b&gt; la velocidad del sonido usada es la del aire a 15 °C (340,29 m/s); el aire más cálido o más frío la cambia unos pocos por ciento. Tu tiempo de reacción en cada pulsación añade o quita unas decenas de metros, y los truenos largos hacen difícil captar el primer retumbo.&lt;/p&gt;&lt;p&gt;Si el retraso es inferior a 30 segundos (10 km), la tormenta está lo bastante cerca para ser peligrosa: ponte a cubierto.&lt;/p&gt;&lt;p style=&quot;color:#cbd2d9; font-size:12px&quot;&gt;Datos del mapa © colaboradores de OpenStreetMap. Imágenes © sus proveedores, según se indica en el mapa.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>More apps from the maker</source>
        <translation>Más aplicaciones del creador</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Listo</translation>
    </message>
    <message>
        <source>Air temperature</source>
        <translation>Temperatura del aire</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Keyboard:&lt;/b&gt; Space/Enter: start and stop. Escape: cancel a measurement, close this screen. +/-: zoom the map. Tab: next control.&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Teclado:&lt;/b&gt; Espacio/Intro: iniciar y detener. Esc: cancelar la medición, cerrar esta pantalla. +/-: zoom del mapa. Tab: siguiente control.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>T: start or stop, wherever the focus is. F1: this screen. Ctrl+H: history. Ctrl+E: export the history. Ctrl+0: show the storm. Ctrl+L: type your position. Ctrl+Q: quit.</source>
        <translation>T: iniciar o parar, esté donde esté el foco. F1: esta pantalla. Ctrl+H: historial. Ctrl+E: exportar el historial. Ctrl+0: mostrar la tormenta. Ctrl+L: escribir tu posición. Ctrl+Q: salir.</translation>
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
        <translation>Última posición conocida, hace %1 d</translation>
    </message>
    <message>
        <source>Last known position, %1 h ago</source>
        <translation>Última posición conocida, hace %1 h</translation>
    </message>
    <message>
        <source>Last known position, %1 min ago</source>
        <translation>Última posición conocida, hace %1 min</translation>
    </message>
    <message>
        <source>Last known position, less than a minute ago</source>
        <translation>Última posición conocida, hace menos de un minuto</translation>
    </message>
    <message>
        <source>No fix from the location service for some minutes. Go where the sky is open, or right-click or hold the map: “I am here”.</source>
        <translation>Ninguna posición del servicio de ubicación desde hace unos minutos. Sal a cielo abierto, o clic derecho o mantén pulsado el mapa: «Estoy aquí».</translation>
    </message>
    <message>
        <source>The GPS receiver has no fix. Go where the sky is open, or right-click or hold the map: “I am here”.</source>
        <translation>El receptor GPS no tiene posición. Sal a cielo abierto, o clic derecho o mantén pulsado el mapa: «Estoy aquí».</translation>
    </message>
    <message>
        <source>The NMEA log has ended.</source>
        <translation>El registro NMEA ha terminado.</translation>
    </message>
    <message>
        <source>gpsd does not answer. Right-click or hold the map: “I am here”.</source>
        <translation>gpsd no responde. Clic derecho o mantén pulsado el mapa: «Estoy aquí».</translation>
    </message>
    <message>
        <source>Position from gpsd</source>
        <translation>Posición de gpsd</translation>
    </message>
    <message>
        <source>Position from the location service</source>
        <translation>Posición del servicio de ubicación</translation>
    </message>
    <message>
        <source>The location service refuses this app. Allow it in the desktop’s privacy settings, or right-click or hold the map: “I am here”.</source>
        <translation>El servicio de ubicación rechaza esta aplicación. Permítela en la configuración de privacidad del escritorio, o clic derecho o mantén pulsado el mapa: «Estoy aquí».</translation>
    </message>
    <message>
        <source>Location services are off. Switch them on in the desktop’s privacy settings, or right-click or hold the map: “I am here”.</source>
        <translation>Los servicios de ubicación están desactivados. Actívalos en la configuración de privacidad del escritorio, o clic derecho o mantén pulsado el mapa: «Estoy aquí».</translation>
    </message>
    <message>
        <source>No location service is available. Right-click or hold the map: “I am here”.</source>
        <translation>No hay ningún servicio de ubicación disponible. Clic derecho o mantén pulsado el mapa: «Estoy aquí».</translation>
    </message>
    <message>
        <source>Position unknown.</source>
        <translation>Posición desconocida.</translation>
    </message>
    <message>
        <source>Set by you</source>
        <translation>Fijada por ti</translation>
    </message>
    <message>
        <source>Approximate position, ±%1</source>
        <translation>Posición aproximada, ±%1</translation>
    </message>
    <message>
        <source>Last known position, from an earlier run.</source>
        <translation>Última posición conocida, de una sesión anterior.</translation>
    </message>
    <message>
        <source>Centre the map on your position</source>
        <translation>Centrar el mapa en tu posición</translation>
    </message>
    <message>
        <source>More map controls</source>
        <translation>Más controles del mapa</translation>
    </message>
    <message>
        <source>I am here</source>
        <translation>Estoy aquí</translation>
    </message>
    <message>
        <source>Position unknown. Right-click or hold the map: “I am here”.</source>
        <translation>Posición desconocida. Clic derecho o mantén pulsado el mapa: «Estoy aquí».</translation>
    </message>
    <message>
        <source>Map</source>
        <translation>Mapa</translation>
    </message>
    <message>
        <source>Standard map.</source>
        <translation>Mapa estándar.</translation>
    </message>
    <message>
        <source>Satellite map.</source>
        <translation>Mapa de satélite.</translation>
    </message>
    <message>
        <source>Hybrid map.</source>
        <translation>Mapa híbrido.</translation>
    </message>
    <message>
        <source>No storm circle.</source>
        <translation>Sin círculo de tormenta.</translation>
    </message>
    <message>
        <source>Storm circle of %1 around latitude %2, longitude %3.</source>
        <translation>Círculo de tormenta de %1 alrededor de latitud %2, longitud %3.</translation>
    </message>
    <message>
        <source>Your position is known.</source>
        <translation>Tu posición es conocida.</translation>
    </message>
    <message>
        <source>Your position is unknown.</source>
        <translation>Tu posición es desconocida.</translation>
    </message>
    <message>
        <source>Map offline: no tiles could be loaded</source>
        <translation>Mapa sin conexión: no se pudo cargar ninguna tesela</translation>
    </message>
    <message>
        <source>Map offline: some tiles could not be loaded</source>
        <translation>Mapa sin conexión: algunas teselas no se pudieron cargar</translation>
    </message>
    <message>
        <source>Loading map…</source>
        <translation>Cargando el mapa…</translation>
    </message>
    <message>
        <source>Map offline</source>
        <translation>Mapa sin conexión</translation>
    </message>
    <message>
        <source>Type a position…</source>
        <translation>Escribir una posición…</translation>
    </message>
    <message>
        <source>Type your position</source>
        <translation>Escribe tu posición</translation>
    </message>
    <message>
        <source>Latitude and longitude, in decimal degrees or in degrees, minutes and seconds.</source>
        <translation>Latitud y longitud, en grados decimales o en grados, minutos y segundos.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Fijar</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Posición</translation>
    </message>
    <message>
        <source>Not a position. Type it as 52.52, 13.405 or as 52°31′12″N 13°24′18″E.</source>
        <translation>No es una posición. Escríbela como 52.52, 13.405 o como 52°31′12″N 13°24′18″E.</translation>
    </message>
    <message>
        <source>The latitude is at most 90° north or south.</source>
        <translation>La latitud es como mucho 90° norte o sur.</translation>
    </message>
    <message>
        <source>The longitude is at most 180° east or west.</source>
        <translation>La longitud es como mucho 180° este u oeste.</translation>
    </message>
</context>
<context>
    <name>HistoryScreen</name>
    <message>
        <source>Strikes more than half an hour apart belong to different storms</source>
        <translation>Los rayos separados más de media hora pertenecen a tormentas distintas</translation>
    </message>
    <message>
        <source>Storm</source>
        <translation>Tormenta</translation>
    </message>
    <message>
        <source>Remove the chosen strike (Delete)</source>
        <translation>Eliminar el rayo elegido (Supr)</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Quitar</translation>
    </message>
    <message>
        <source>Strikes, newest first</source>
        <translation>Rayos, los más recientes primero</translation>
    </message>
    <message>
        <source>Strike history</source>
        <translation>Historial de rayos</translation>
    </message>
    <message>
        <source>Export CSV…</source>
        <translation>Exportar CSV…</translation>
    </message>
    <message>
        <source>Write every strike to a CSV file</source>
        <translation>Escribir todos los rayos en un archivo CSV</translation>
    </message>
    <message>
        <source>Clear…</source>
        <translation>Borrar…</translation>
    </message>
    <message>
        <source>Remove every recorded strike</source>
        <translation>Eliminar todos los rayos registrados</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Listo</translation>
    </message>
    <message>
        <source>Set direction…</source>
        <translation>Fijar dirección…</translation>
    </message>
    <message>
        <source>Set the direction of the chosen strike</source>
        <translation>Fijar la dirección del rayo elegido</translation>
    </message>
    <message>
        <source>Give the chosen strike the direction its flash was in, or take it away</source>
        <translation>Da al rayo elegido la dirección en la que brilló, o quítasela</translation>
    </message>
</context>
<context>
    <name>storm::qt::StrikeTableModel</name>
    <message>
        <source>Delay in seconds</source>
        <translation>Retardo en segundos</translation>
    </message>
    <message>
        <source>Miles</source>
        <translation>Millas</translation>
    </message>
    <message>
        <source>Kilometres</source>
        <translation>Kilómetros</translation>
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
        <translation>Última posición conocida, de una sesión anterior</translation>
    </message>
    <message>
        <source>Given at start</source>
        <translation>Indicada al iniciar</translation>
    </message>
    <message>
        <source>From an NMEA log</source>
        <translation>De un registro NMEA</translation>
    </message>
    <message>
        <source>From gpsd</source>
        <translation>De gpsd</translation>
    </message>
    <message>
        <source>From the location service</source>
        <translation>Del servicio de ubicación</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Hora</translation>
    </message>
    <message>
        <source>Delay (s)</source>
        <translation>Retardo (s)</translation>
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
        <translation>Posición</translation>
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
        <translation>Dirección</translation>
    </message>
    <message>
        <source>Strike point</source>
        <translation>Punto del rayo</translation>
    </message>
</context>
<context>
    <name>storm::qt::QtFileChooser</name>
    <message>
        <source>Export strikes</source>
        <translation>Exportar rayos</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Archivos CSV (*.csv)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Todos los archivos (*)</translation>
    </message>
</context>
<context>
    <name>storm::qt::BannerWidget</name>
    <message>
        <source>Advertisement</source>
        <translation>Publicidad</translation>
    </message>
    <message>
        <source>Advertisement: %1</source>
        <translation>Publicidad: %1</translation>
    </message>
</context>
<context>
    <name>storm::qt::StormChart</name>
    <message>
        <source>Distance of the storm&apos;s strikes over time</source>
        <translation>Distancia de los rayos de la tormenta a lo largo del tiempo</translation>
    </message>
</context>
<context>
    <name>MapWidget</name>
    <message>
        <source>Night look: from sunset to sunrise</source>
        <translation>Vista nocturna: del atardecer al amanecer</translation>
    </message>
    <message>
        <source>Night look: off</source>
        <translation>Vista nocturna: desactivada</translation>
    </message>
    <message>
        <source>Night look: on</source>
        <translation>Vista nocturna: activada</translation>
    </message>
</context>
</TS>
