#include "cdgen/Texts.h"

namespace umbraxis {

QByteArray crlfText(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines) {
        out.append(line.toLatin1());
        out.append("\r\n");
    }
    return out;
}

QStringList tipLines()
{
    // Every tip is long enough to span the start of a 128-byte block of the file, so
    // each one has a fair chance of being picked as the tip of the day.
    return {
        QStringLiteral("Shamblers shrug off half the damage of any explosion. Save your rockets and grenades for "
                       "other foes and greet a Shambler with the Thunderbolt or the Super Nailgun instead."),
        QStringLiteral("Never fire the Thunderbolt while you stand in water. The charge spreads through the whole "
                       "pool and kills you together with everything else that is swimming in it."),
        QStringLiteral("Zombies only stay down for good when they are blown to pieces. Nails and shells merely "
                       "knock them over for a while, so finish them with a grenade or a rocket."),
        QStringLiteral("Grenades bounce off walls and roll down stairs. Bank them around a corner to hit monsters "
                       "waiting out of sight, without ever showing yourself to them."),
        QStringLiteral("A grenade explodes at once when it touches a monster, but one that misses lies on the floor "
                       "for a couple of seconds first. Do not walk over your own grenades."),
        QStringLiteral("To rocket jump, look straight down, jump and fire a rocket at your feet at the same moment. "
                       "It costs health and armour, but it lifts you to ledges you could never reach."),
        QStringLiteral("The Quad Damage multiplies the damage of every weapon by four for thirty seconds. In "
                       "deathmatch every other player hears you pick it up, so expect company."),
        QStringLiteral("The Biosuit lets you breathe under water and wade through slime unharmed for thirty "
                       "seconds. It does nothing against lava: lava kills you with or without it."),
        QStringLiteral("Under water you have about twelve seconds of air. Come up before you start to choke, and "
                       "remember that drowning takes your health a little at a time until you surface."),
        QStringLiteral("The Ring of Shadows leaves nothing of you but a pair of floating eyes. Monsters have a hard "
                       "time following you, and in deathmatch your rivals will hardly see you coming."),
        QStringLiteral("Fiends leap at you from far away. Step aside as one jumps and it lands behind you, stunned "
                       "for a moment; turn around and empty your Super Shotgun into its back."),
        QStringLiteral("Vores throw purple homing balls that follow you around corners. Put a pillar or a wall "
                       "between you and the ball, and let the stone take the hit instead of you."),
        QStringLiteral("Monsters fight each other when one of them hurts another by accident. Lure an Ogre into "
                       "the path of a Shambler and let them settle it while you save your ammunition."),
        QStringLiteral("Spawns, the bouncing blue blobs, burst when they die and hurt anyone close by. Kill them "
                       "with nails from a distance instead of meeting them with the axe."),
        QStringLiteral("Ogres lob grenades from afar and saw you to pieces up close. Keep moving sideways at "
                       "middle range, where their grenades overshoot and their chainsaws cannot reach."),
        QStringLiteral("Green armour absorbs a third of the damage you take, yellow armour more than half and red "
                       "armour four fifths. Picking up weaker armour never replaces a stronger suit."),
        QStringLiteral("The Megahealth lifts your health by a hundred points, even past the usual limit of one "
                       "hundred, but the bonus slowly wears off again. Spend it while it lasts."),
        QStringLiteral("Secrets hide behind walls that look a little different, behind switches you must shoot "
                       "and deep under water. The end of each level tells you how many you found."),
        QStringLiteral("Enforcers carry energy cells for the Thunderbolt and drop them when they die. Grunts drop "
                       "shotgun shells. Walk over the backpack they leave behind to take it."),
        QStringLiteral("Turn on mouse look and aim with the mouse. Bind a key to +mlook or put it in your "
                       "autoexec.cfg file; you will hit far more often than with the arrow keys."),
        QStringLiteral("Running while you strafe moves you faster than running straight ahead. Use it to cross open "
                       "ground quickly and to dodge rockets and lightning that come straight at you."),
        QStringLiteral("Press F6 to save the game quickly and F9 to load the quick save again. Save before every "
                       "big fight and after every secret, and the rift-world will cost you much less time."),
        QStringLiteral("Open the console with the key left of the 1 key. There you can type commands, change the "
                       "mouse sensitivity and bind any action you like to any key you like."),
        QStringLiteral("Scrags float out of reach and spit green acid. They are weak: two blasts from the Super "
                       "Shotgun bring one down, so do not waste your precious rockets on them."),
        QStringLiteral("Hell Knights hurl a fan of fire. Step into the gap between two of the flames, or hide "
                       "behind a pillar until the fan has passed, then answer with nails."),
        QStringLiteral("In deathmatch, stepping out of a teleporter onto another player kills him at once. Keep "
                       "away from the exit of a teleporter when you hear it hum into life."),
        QStringLiteral("Weapons, armour and power-ups come back after a while in deathmatch. Learn where and when "
                       "they appear, and plan a route through the level that collects them in turn."),
        QStringLiteral("In cooperative play, split the work: one player covers the doors while the other collects "
                       "keys. Watch your aim, because your rockets hurt your partners just as well."),
        QStringLiteral("Doors with gold or silver runes on them need the key of that colour. If a door will not "
                       "open, look for the key first, usually guarded by the nastiest monster around."),
        QStringLiteral("The Super Nailgun eats two nails with every shot and empties your supply in no time. Switch "
                       "to the plain Nailgun for weak monsters and keep the big one for the tough ones."),
        QStringLiteral("Listen before you open a door. Monsters growl when they see you, and each kind makes its "
                       "own sound, so your ears tell you which weapon to take before you step through."),
        QStringLiteral("Turn on Always Run in the options menu. Quake is a fast game, and walking slowly makes you "
                       "an easy target for every grenade, rocket and nail in the level."),
        QStringLiteral("Falling a long way hurts, and so does landing on spikes. Before jumping into a dark pit, "
                       "throw a grenade down and listen how long it takes to land."),
        QStringLiteral("The Pentagram of Protection makes you invulnerable for thirty seconds and turns your view "
                       "red. Use the time to charge a room full of monsters that you could never face otherwise."),
    };
}

QStringList briefingLines()
{
    return {
        QStringLiteral("TRANSMISSION 7-ALPHA"),
        QStringLiteral("PRIORITY: CRIMSON"),
        QStringLiteral(""),
        QStringLiteral("Marine,"),
        QStringLiteral(""),
        QStringLiteral("Forty hours ago the research outpost"),
        QStringLiteral("at Cinder Reach powered up its new"),
        QStringLiteral("slipgate. It did not open onto the"),
        QStringLiteral("test chamber. It opened onto a world"),
        QStringLiteral("that our scientists call Umbraxis."),
        QStringLiteral(""),
        QStringLiteral("Umbraxis is a rift-world: a shard of"),
        QStringLiteral("rock, iron and embers adrift between"),
        QStringLiteral("the dimensions, held together by the"),
        QStringLiteral("will of whatever rules it. The last"),
        QStringLiteral("images from the outpost show rusted"),
        QStringLiteral("foundries, flooded cisterns and a"),
        QStringLiteral("spire that burns without a flame."),
        QStringLiteral(""),
        QStringLiteral("The rift did not close. It is spread-"),
        QStringLiteral("ing. Every hour it tears a little"),
        QStringLiteral("wider, and the things that live on"),
        QStringLiteral("the other side have found the way"),
        QStringLiteral("through. Cinder Reach fell first."),
        QStringLiteral("Two relief squads followed it."),
        QStringLiteral(""),
        QStringLiteral("YOUR ORDERS"),
        QStringLiteral(""),
        QStringLiteral("1. Enter the rift through the Rust"),
        QStringLiteral("   Foundry and secure a foothold."),
        QStringLiteral("2. Fight through the Ember Vaults"),
        QStringLiteral("   and the Cinder Keep."),
        QStringLiteral("3. Recover the three rune keys that"),
        QStringLiteral("   anchor the rift to our world."),
        QStringLiteral("4. Reach the Umbral Gate at the heart"),
        QStringLiteral("   of Umbraxis and seal it for good."),
        QStringLiteral(""),
        QStringLiteral("Expect Ogres, Fiends and worse. Our"),
        QStringLiteral("scans show a Shambler nest beneath"),
        QStringLiteral("the Blackwater Locks. Ammunition is"),
        QStringLiteral("scarce on the far side; take what"),
        QStringLiteral("the fallen squads left behind."),
        QStringLiteral(""),
        QStringLiteral("There is no extraction. When the gate"),
        QStringLiteral("is sealed, the rift collapses and you"),
        QStringLiteral("come home through the last slipgate"),
        QStringLiteral("standing, or you do not come home."),
        QStringLiteral(""),
        QStringLiteral("Good hunting, Marine."),
        QStringLiteral(""),
        QStringLiteral("-- Colonel A. Vendrake"),
        QStringLiteral("   Rift Containment Command"),
        QStringLiteral(""),
        QStringLiteral("END OF TRANSMISSION"),
    };
}

QStringList websiteLines()
{
    return {
        QStringLiteral("UMBRAXIS - WEB SITES AND QUAKE EDITORS"),
        QStringLiteral("======================================"),
        QStringLiteral(""),
        QStringLiteral("Use Ctrl+F to search this list."),
        QStringLiteral(""),
        QStringLiteral("THE UMBRAXIS TEAM"),
        QStringLiteral(""),
        QStringLiteral("  Corvantide home page ............ http://www.corvantide.example.com/"),
        QStringLiteral("  Umbraxis updates and patches .... http://www.corvantide.example.com/umbraxis/"),
        QStringLiteral("  Technical support ............... http://support.corvantide.example.com/"),
        QStringLiteral(""),
        QStringLiteral("QUAKE COMMUNITY SITES"),
        QStringLiteral(""),
        QStringLiteral("  Rift Runners Level Archive ...... http://www.riftrunners.example.org/"),
        QStringLiteral("      Thousands of single player and deathmatch levels, with reviews."),
        QStringLiteral("  Slipgate Central ................ http://www.slipgate-central.example.net/"),
        QStringLiteral("      News, demos and the weekly level of the week."),
        QStringLiteral("  The Grunt's Barracks ............ http://grunts.example.org/"),
        QStringLiteral("      Tips, strategies and speed run demos for every episode."),
        QStringLiteral("  Deathmatch Ladder ............... http://www.dmladder.example.net/"),
        QStringLiteral("      Find opponents, join a clan, climb the ranks."),
        QStringLiteral("  Nailgun Press ................... http://www.nailgunpress.example.com/"),
        QStringLiteral("      Interviews with level designers and modification authors."),
        QStringLiteral("  Ember Forge Tutorials ........... http://emberforge.example.org/tutorials/"),
        QStringLiteral("      Step by step lessons in building your own Quake levels."),
        QStringLiteral(""),
        QStringLiteral("QUAKE EDITORS AND TOOLS"),
        QStringLiteral(""),
        QStringLiteral("  BrushSmith level editor ......... http://www.brushsmith.example.com/"),
        QStringLiteral("      A full 3D brush editor with texture browser and entity lists."),
        QStringLiteral("  VertexForge ..................... http://vertexforge.example.net/"),
        QStringLiteral("      A fast map editor for large levels, with a built-in compiler front end."),
        QStringLiteral("  Lumpwright PAK manager .......... http://www.lumpwright.example.org/"),
        QStringLiteral("      Open, extract and build PAK files and texture WADs."),
        QStringLiteral("  QuickLight and VisFast .......... http://tools.slipgate-central.example.net/"),
        QStringLiteral("      Level compilers: lighting and visibility in a fraction of the time."),
        QStringLiteral("  SkinPainter ..................... http://skinpainter.example.com/"),
        QStringLiteral("      Paint player and monster skins directly on the model."),
        QStringLiteral("  ProgsEdit ....................... http://www.progsedit.example.org/"),
        QStringLiteral("      Write and compile game code modifications."),
        QStringLiteral(""),
        QStringLiteral("The addresses above were correct when this CD was made. Web sites move;"),
        QStringLiteral("if an address no longer works, search for the site's name."),
    };
}

QStringList cdReadmeLines()
{
    return {
        QStringLiteral("UMBRAXIS - a rift-world level pack for Quake"),
        QStringLiteral(""),
        QStringLiteral("Run the Umbraxis front end from the root of this CD to install the levels,"),
        QStringLiteral("read the mission briefing and start Quake on any installed level."),
        QStringLiteral(""),
        QStringLiteral("The levels need the registered version of Quake."),
        QStringLiteral("Help for the front end is in help.rtf."),
    };
}

QByteArray helpRtf()
{
    // Paragraph styles used below: \s1 heading, \s2 sub-heading, plain body text and
    // bulleted items indented with a hanging bullet.
    const char* const lines[] = {
        R"({\rtf1\ansi\ansicpg1252\deff0)",
        R"({\fonttbl{\f0\fswiss\fcharset0 Arial;}{\f1\fmodern\fcharset0 Courier New;}})",
        R"({\colortbl;\red0\green0\blue0;\red160\green32\blue0;\red90\green90\blue96;\red0\green96\blue128;})",
        R"(\viewkind4\uc1\pard\f0\fs20)",
        R"(\pard\qc\cf2\b\fs36 Umbraxis Help\b0\fs20\cf1\par)",
        R"(\pard\qc\i A rift-world level pack for Quake\i0\par)",
        R"(\pard\par)",
        R"(\pard\cf2\b\fs28 Contents\b0\fs20\cf1\par)",
        R"(\pard\li360\fi-240\'95\tab The main menu\par)",
        R"(\'95\tab Installing and removing levels\par)",
        R"(\'95\tab Running Quake\par)",
        R"(\'95\tab The mission briefing\par)",
        R"(\'95\tab Web sites and this help\par)",
        R"(\'95\tab The about screen\par)",
        R"(\'95\tab How Umbraxis finds Quake\par)",
        R"(\'95\tab Troubleshooting\par)",
        R"(\pard\par)",
        R"(\pard\cf2\b\fs28 The main menu\b0\fs20\cf1\par)",
        R"(\pard The main menu is the first screen you see after the intro. Every button on it opens another screen; the screen closes again with its \b Main Menu\b0  button and brings you back here. Hold the mouse over a button to see what it does. You can drag the menu around the desktop by its background.\par)",
        R"(\pard\li360\fi-240\'95\tab\b Install Levels\b0  shows the levels on the CD and the levels already installed.\par)",
        R"(\'95\tab\b Briefing\b0  plays the mission briefing.\par)",
        R"(\'95\tab\b Run Quake\b0  starts Quake on one of the installed levels.\par)",
        R"(\'95\tab\b Web Sites\b0  lists Quake web sites and level editors.\par)",
        R"(\'95\tab\b Help\b0  shows this document.\par)",
        R"(\'95\tab\b About\b0  shows the version, the credits and a tip of the day.\par)",
        R"(\'95\tab\b Exit\b0  ends the program.\par)",
        R"(\pard\par)",
        R"(\pard\cf2\b\fs28 Installing and removing levels\b0\fs20\cf1\par)",
        R"(\pard The install screen shows two lists: \i Available Levels\i0  holds the levels that are still only on the CD, \i Installed Levels\i0  the levels that are already on your hard disk. Click a level to see its author, its description and the folder on the CD where it is stored.\par)",
        R"(\pard\par)",
        R"(\pard\cf3\b\fs22 With the arrow buttons\b0\fs20\cf1\par)",
        R"(\pard\li360\fi-240\'95\tab\b >\b0  installs the levels selected in the available list.\par)",
        R"(\'95\tab\b >>\b0  installs every available level.\par)",
        R"(\'95\tab\b <\b0  removes the levels selected in the installed list.\par)",
        R"(\'95\tab\b <<\b0  removes every installed level.\par)",
        R"(\pard\par)",
        R"(\pard\cf3\b\fs22 By dragging\b0\fs20\cf1\par)",
        R"(\pard You can also drag levels from one list to the other. Hold \b Ctrl\b0  or \b Shift\b0  while clicking to select several levels at once; dragging any of them moves the whole selection.\par)",
        R"(\pard\par)",
        R"(\pard The status line below the lists tells you what is happening, and the bar beneath it moves while files are being copied. Each level is copied into the \f1 Umbraxis\\maps\f0  folder inside your Quake folder. Removing a level deletes exactly the files that were copied for it and nothing else, so your own files are safe.\par)",
        R"(\pard\par)",
        R"(\pard\cf2\b\fs28 Running Quake\b0\fs20\cf1\par)",
        R"(\pard The run screen lists the installed levels. Click a level, then choose how to play it:\par)",
        R"(\pard\li360\fi-240\'95\tab\b Single Player\b0  - you alone against the monsters of Umbraxis.\par)",
        R"(\'95\tab\b Deathmatch\b0  - every player for himself on a network game.\par)",
        R"(\'95\tab\b Cooperative\b0  - several players fight through the level together.\par)",
        R"(\pard\par)",
        R"(\pard Quake is started from its own folder with the Umbraxis game folder and the level you chose, for example:\par)",
        R"(\pard\li360\f1 quake.exe -game umbraxis +deathmatch 1 +map umbx1\f0\par)",
        R"(\pard\li0 The run screen stays open, so you can start another level after you have left Quake. If no level is installed, the screen says so: install a level first.\par)",
        R"(\pard\par)",
        R"(\pard\cf2\b\fs28 The mission briefing\b0\fs20\cf1\par)",
        R"(\pard The briefing scrolls the story of the Umbraxis rift over a view of the rift-world while the drums of the relief force play. It closes by itself at the end. To leave earlier, click anywhere or press any key.\par)",
        R"(\pard\par)",
        R"(\pard\cf2\b\fs28 Web sites and this help\b0\fs20\cf1\par)",
        R"(\pard The document screen shows this help or the list of web sites and level editors. Scroll with the scroll bar or the keyboard. To find a word, press \b Ctrl+F\b0 , type the word and press \b Find Next\b0 ; each further press finds the next place. The search tells case apart and goes forward only: to search the whole document again, press \b Ctrl+Home\b0  first. A beep means that nothing more was found. The \b Help\b0  button switches to this help from anywhere, and the \b Main Menu\b0  button returns to the screen you came from.\par)",
        R"(\pard\par)",
        R"(\pard\cf2\b\fs28 The about screen\b0\fs20\cf1\par)",
        R"(\pard The about screen shows the version of Umbraxis, the people who made it and how to reach us. It also shows a Quake tip of the day: \i click the tip to see another one\i0 .\par)",
        R"(\pard\par)",
        R"(\pard\cf2\b\fs28 How Umbraxis finds Quake\b0\fs20\cf1\par)",
        R"(\pard The first time you install, remove or run a level, Umbraxis looks for your Quake folder: the folder that holds both \f1 quake.exe\f0  and the \f1 id1\f0  folder, or, for a Linux engine, an \f1 id1\f0  folder with \f1 pak0.pak\f0  in a folder you may write to. It first tries the folder it remembered from the last time, then the places where Steam, GOG and your home folder keep Quake. If none of them holds Quake, it searches the drives from A: to J:, folder by folder, while the status line shows \i Searching for Quake\i0  and you hear the radio crackle. Searching a large disk can take a while; the result is remembered, so the search runs only once.\par)",
        R"(\pard\par)",
        R"(\pard\cf2\b\fs28 Troubleshooting\b0\fs20\cf1\par)",
        R"(\pard\li360\fi-240\'95\tab\b Nothing happens when I install a level.\b0  Umbraxis could not find Quake. Make sure that Quake is installed on one of the drives A: to J: and that its folder holds \f1 quake.exe\f0  and \f1 id1\f0 . On systems that map drive letters to folders, check the drive map in the Corvantide settings folder.\par)",
        R"(\'95\tab\b The status line says Install quakespasm to play.\b0  Your Quake folder has no \f1 quake.exe\f0  and no Linux Quake engine is installed. Install one, for example the \f1 quakespasm\f0  or \f1 darkplaces\f0  package, and run the level again.\par)",
        R"(\'95\tab\b The status line says Insufficient disk space.\b0  The drive that holds Quake has less free space than the level needs. Free some space and try again.\par)",
        R"(\'95\tab\b Quake starts, but the level is missing.\b0  Remove the level and install it again, so that all of its files are copied afresh.\par)",
        R"(\'95\tab\b Quake complains about a missing file.\b0  The levels need the \i registered\i0  version of Quake; the shareware episode does not have all the textures and monsters.\par)",
        R"(\'95\tab\b I hear no sound.\b0  Check that your sound card works with other programs. Umbraxis works without sound as well.\par)",
        R"(\'95\tab\b Umbraxis is already running.\b0  Only one copy runs at a time. Starting it again brings the running copy to the front.\par)",
        R"(\pard\par)",
        R"(\pard\qc\cf3\fs16 Umbraxis version 1.0. Quake is a game of its own and must be installed separately.\par)",
        R"(})",
    };
    QByteArray out;
    for (const char* line : lines) {
        out.append(line);
        out.append("\r\n");
    }
    return out;
}

} // namespace umbraxis
