<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AuditESigPage</name>
    <message>
        <source>The TAV software can be configured to enable or disable auditing for each file type.</source>
        <translation>Die TAV-Software kann so eingestellt werden, dass die Auditierung für jeden Dateityp ein- oder ausgeschaltet ist.</translation>
    </message>
    <message>
        <source>The TAV software can be configured for Optional or Required electronic signatures for each activity. Appropriate E-Signature activities will be populated depending upon the selection above.</source>
        <translation>Für jede Tätigkeit kann die TAV-Software optionale oder erforderliche elektronische Signaturen verlangen. Die passenden Signaturtätigkeiten erscheinen je nach der Auswahl oben.</translation>
    </message>
</context>
<context>
    <name>AuditFilterBar</name>
    <message>
        <source>From</source>
        <translation>Von</translation>
    </message>
    <message>
        <source>yyyy-MM-dd HH:mm:ss</source>
        <translation>dd.MM.yyyy HH:mm:ss</translation>
    </message>
    <message>
        <source>To</source>
        <translation>Bis</translation>
    </message>
    <message>
        <source>&amp;User:</source>
        <translation>&amp;Benutzer:</translation>
    </message>
    <message>
        <source>&amp;Event:</source>
        <translation>&amp;Ereignis:</translation>
    </message>
    <message>
        <source>F&amp;ind:</source>
        <translation>&amp;Suchen:</translation>
    </message>
    <message>
        <source>Text in any column</source>
        <translation>Text in einer beliebigen Spalte</translation>
    </message>
    <message>
        <source>Only &amp;unreviewed</source>
        <translation>Nur &amp;ungeprüfte</translation>
    </message>
    <message>
        <source>&amp;Mark Reviewed...</source>
        <translation>Als &amp;geprüft kennzeichnen...</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>D&amp;rucken...</translation>
    </message>
    <message>
        <source>Save as P&amp;DF...</source>
        <translation>Als P&amp;DF speichern...</translation>
    </message>
</context>
<context>
    <name>ChangePasswordDialog</name>
    <message>
        <source>Change Password</source>
        <translation>Kennwort ändern</translation>
    </message>
    <message>
        <source>User name : </source>
        <translation>Benutzername: </translation>
    </message>
    <message>
        <source>&amp;New password : </source>
        <translation>&amp;Neues Kennwort: </translation>
    </message>
    <message>
        <source>&amp;Confirm new password : </source>
        <translation>Neues Kennwort &amp;bestätigen: </translation>
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
    <name>ConfigDialog</name>
    <message>
        <source>21 CFR Part 11 Configuration</source>
        <translation>Konfiguration nach 21 CFR Part 11</translation>
    </message>
    <message>
        <source>Enable 21 CFR Part 11 Features</source>
        <translation>Funktionen nach 21 CFR Part 11 aktivieren</translation>
    </message>
    <message>
        <source>Application Idle Timeout :   </source>
        <translation>Zeitlimit bei Inaktivität der Anwendung:   </translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>Minuten</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
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
    <name>ESignatureDialog</name>
    <message>
        <source>Electronic Signature</source>
        <translation>Elektronische Signatur</translation>
    </message>
    <message>
        <source>Electronic Signature for :</source>
        <translation>Elektronische Signatur für:</translation>
    </message>
    <message>
        <source>&amp;User name : </source>
        <translation>&amp;Benutzername: </translation>
    </message>
    <message>
        <source>&amp;Domain :</source>
        <translation>&amp;Domäne:</translation>
    </message>
    <message>
        <source>&amp;Password : </source>
        <translation>&amp;Kennwort: </translation>
    </message>
    <message>
        <source>&amp;Reason :</source>
        <translation>&amp;Grund:</translation>
    </message>
    <message>
        <source>&amp;Comment :</source>
        <translation>Ko&amp;mmentar:</translation>
    </message>
    <message>
        <source>ESig Root Folder : </source>
        <translation>Stammordner der Signaturen: </translation>
    </message>
    <message>
        <source>ESig SubFolder : </source>
        <translation>Unterordner der Signaturen: </translation>
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
    <name>GroupPermissionsPage</name>
    <message>
        <source>The TAV software can be configured to assign user permissions for each activity.</source>
        <translation>Die TAV-Software kann den Benutzergruppen für jede Tätigkeit Berechtigungen zuweisen.</translation>
    </message>
</context>
<context>
    <name>HostWindow</name>
    <message>
        <source>TAV Host</source>
        <translation>TAV Host</translation>
    </message>
    <message>
        <source>Logged-on user</source>
        <translation>Angemeldeter Benutzer</translation>
    </message>
    <message>
        <source>User name:</source>
        <translation>Benutzername:</translation>
    </message>
    <message>
        <source>Full name:</source>
        <translation>Vollständiger Name:</translation>
    </message>
    <message>
        <source>Domain:</source>
        <translation>Domäne:</translation>
    </message>
    <message>
        <source>Groups:</source>
        <translation>Gruppen:</translation>
    </message>
    <message>
        <source>Administrator:</source>
        <translation>Administrator:</translation>
    </message>
    <message>
        <source>Logon token:</source>
        <translation>Anmeldetoken:</translation>
    </message>
    <message>
        <source>Calls to the library</source>
        <translation>Aufrufe der Bibliothek</translation>
    </message>
    <message>
        <source>&amp;Session</source>
        <translation>&amp;Sitzung</translation>
    </message>
    <message>
        <source>&amp;Access</source>
        <translation>&amp;Zugriff</translation>
    </message>
    <message>
        <source>May the User &amp;Perform</source>
        <translation>Darf der Benutzer &amp;ausführen</translation>
    </message>
    <message>
        <source>May the User Perform (&amp;Silently)</source>
        <translation>Darf der Benutzer ausführen (&amp;still)</translation>
    </message>
    <message>
        <source>Is a Data Type Au&amp;dited?</source>
        <translation>Wird ein Datentyp au&amp;ditiert?</translation>
    </message>
    <message>
        <source>Audit Co&amp;mment Settings</source>
        <translation>Einstellungen für Audit-&amp;Kommentare</translation>
    </message>
    <message>
        <source>&amp;Compliance</source>
        <translation>&amp;Compliance</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Log In...</source>
        <translation>&amp;Anmelden...</translation>
    </message>
    <message>
        <source>&amp;Idle Re-authentication...</source>
        <translation>Erneute Anmeldung nach &amp;Inaktivität...</translation>
    </message>
    <message>
        <source>&amp;Confirm Identity...</source>
        <translation>Identität &amp;bestätigen...</translation>
    </message>
    <message>
        <source>&amp;Re-impersonate From Own Token</source>
        <translation>Mit eigenem Token erneut &amp;annehmen</translation>
    </message>
    <message>
        <source>Log &amp;Out</source>
        <translation>Ab&amp;melden</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Are the 21 CFR Part 11 Features &amp;On?</source>
        <translation>Sind die Funktionen nach 21 CFR Part 11 &amp;an?</translation>
    </message>
    <message>
        <source>May the User &amp;Run the Software?</source>
        <translation>Darf der Benutzer die Software &amp;verwenden?</translation>
    </message>
    <message>
        <source>&amp;Idle Timeout</source>
        <translation>&amp;Zeitlimit bei Inaktivität</translation>
    </message>
    <message>
        <source>Is the System User an &amp;Administrator?</source>
        <translation>Ist der Systembenutzer &amp;Administrator?</translation>
    </message>
    <message>
        <source>21 CFR Part 11 &amp;Configuration...</source>
        <translation>&amp;Konfiguration nach 21 CFR Part 11...</translation>
    </message>
    <message>
        <source>System &amp;Event Log...</source>
        <translation>System-&amp;Ereignisprotokoll...</translation>
    </message>
    <message>
        <source>Configuration &amp;Audit Trail...</source>
        <translation>&amp;Audit-Trail der Konfiguration...</translation>
    </message>
    <message>
        <source>&amp;Run List Manager...</source>
        <translation>&amp;Laufliste verwalten...</translation>
    </message>
    <message>
        <source>Set Up E-&amp;Signatures</source>
        <translation>E-&amp;Signaturen einrichten</translation>
    </message>
    <message>
        <source>Si&amp;gn a Document...</source>
        <translation>Dokument si&amp;gnieren...</translation>
    </message>
    <message>
        <source>Show Signa&amp;tures...</source>
        <translation>Signa&amp;turen anzeigen...</translation>
    </message>
    <message>
        <source>Release Configuration A&amp;rrays</source>
        <translation>Konfigurations-A&amp;rrays freigeben</translation>
    </message>
    <message>
        <source>&amp;About TAV Host</source>
        <translation>&amp;Über TAV Host</translation>
    </message>
</context>
<context>
    <name>RunListManagerDlg</name>
    <message>
        <source>Run List Manager</source>
        <translation>Laufliste verwalten</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Move</source>
        <translation>Verschieben</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>SystemAuditDialog</name>
    <message>
        <source>System Audit</source>
        <translation>Systemaudit</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>UserLoginDialog</name>
    <message>
        <source>User Login</source>
        <translation>Benutzeranmeldung</translation>
    </message>
    <message>
        <source>&amp;User name : </source>
        <translation>&amp;Benutzername: </translation>
    </message>
    <message>
        <source>&amp;Domain :</source>
        <translation>&amp;Domäne:</translation>
    </message>
    <message>
        <source>&amp;Password : </source>
        <translation>&amp;Kennwort: </translation>
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
    <name>tav::AuditFilterBar</name>
    <message>
        <source>&amp;Event:</source>
        <translation>&amp;Ereignis:</translation>
    </message>
    <message>
        <source>&amp;Change:</source>
        <translation>Ä&amp;nderung:</translation>
    </message>
    <message>
        <source>(all users)</source>
        <translation>(alle Benutzer)</translation>
    </message>
    <message>
        <source>(all events)</source>
        <translation>(alle Ereignisse)</translation>
    </message>
    <message>
        <source>(all changes)</source>
        <translation>(alle Änderungen)</translation>
    </message>
    <message>
        <source>%1 of %2 events</source>
        <translation>%1 von %2 Ereignissen</translation>
    </message>
    <message>
        <source>%1 of %2 changes</source>
        <translation>%1 von %2 Änderungen</translation>
    </message>
</context>
<context>
    <name>tav::CAuditESigPage</name>
    <message>
        <source>File Type</source>
        <translation>Dateityp</translation>
    </message>
    <message>
        <source>Enable
Auditing</source>
        <translation>Auditierung
aktivieren</translation>
    </message>
    <message>
        <source>Reason For Change
Optional</source>
        <translation>Änderungsgrund
optional</translation>
    </message>
    <message>
        <source>Reason For Change
Required</source>
        <translation>Änderungsgrund
erforderlich</translation>
    </message>
    <message>
        <source>E-Signature for Selected File Type</source>
        <translation>E-Signatur für den gewählten Dateityp</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>Optional</translation>
    </message>
    <message>
        <source>Required</source>
        <translation>Erforderlich</translation>
    </message>
</context>
<context>
    <name>tav::CAuditListCtrl</name>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV-Dateien (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The list could not be exported to %1:
%2</source>
        <translation>Die Liste konnte nicht nach %1 exportiert werden:
%2</translation>
    </message>
    <message>
        <source>The listing could not be exported to %1:
%2</source>
        <translation>Die Auflistung konnte nicht nach %1 exportiert werden:
%2</translation>
    </message>
    <message>
        <source>The listing was exported to %1, but %2</source>
        <translation>Die Auflistung wurde nach %1 exportiert, aber: %2</translation>
    </message>
    <message>
        <source>Save as PDF</source>
        <translation>Als PDF speichern</translation>
    </message>
    <message>
        <source>PDF files (*.pdf);;All files (*)</source>
        <translation>PDF-Dateien (*.pdf);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The report could not be saved to %1:</source>
        <translation>Der Bericht konnte nicht unter %1 gespeichert werden:</translation>
    </message>
    <message>
        <source>The report could not be printed:</source>
        <translation>Der Bericht konnte nicht gedruckt werden:</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
</context>
<context>
    <name>tav::CGroupPermissionsPage</name>
    <message>
        <source>Activity</source>
        <translation>Tätigkeit</translation>
    </message>
</context>
<context>
    <name>tav::ConfigTrailPanel</name>
    <message>
        <source>The configuration audit trail could not be read: %1</source>
        <translation>Der Audit-Trail der Konfiguration konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The list shows no changes to review.</source>
        <translation>Die Liste zeigt keine zu prüfenden Änderungen.</translation>
    </message>
    <message>
        <source>Mark Reviewed</source>
        <translation>Als geprüft kennzeichnen</translation>
    </message>
    <message>
        <source>Review recorded: %1 (%2 changes).</source>
        <translation>Prüfung aufgezeichnet: %1 (%2 Änderungen).</translation>
    </message>
</context>
<context>
    <name>tav::Configuration</name>
    <message>
        <source>Auditing and E-Signatures</source>
        <translation>Auditierung und E-Signaturen</translation>
    </message>
    <message>
        <source>always audited</source>
        <translation>immer auditiert</translation>
    </message>
    <message>
        <source>To access the 21 CFR Part 11 Configuration, you must be a System Administrator.</source>
        <translation>Für den Zugriff auf die Konfiguration nach 21 CFR Part 11 müssen Sie Systemadministrator sein.</translation>
    </message>
    <message>
        <source>Administrator rights required.</source>
        <translation>Administratorrechte erforderlich.</translation>
    </message>
    <message>
        <source>error %d</source>
        <translation>Fehler %d</translation>
    </message>
    <message>
        <source>21 CFR Part 11 Configuration</source>
        <translation>Konfiguration nach 21 CFR Part 11</translation>
    </message>
    <message>
        <source>The settings could not be saved:
%s

The dialog stays open; press OK to try again.</source>
        <translation>Die Einstellungen konnten nicht gespeichert werden:
%s

Der Dialog bleibt geöffnet; klicken Sie auf OK, um es erneut zu versuchen.</translation>
    </message>
    <message>
        <source>User Group Permissions</source>
        <translation>Berechtigungen der Benutzergruppen</translation>
    </message>
    <message>
        <source>The idle timeout must be a value between %d and %d.
(The value 0 means the timeout is forever.)</source>
        <translation>Das Zeitlimit bei Inaktivität muss ein Wert zwischen %d und %d sein.
(Der Wert 0 bedeutet: kein Zeitlimit.)</translation>
    </message>
    <message>
        <source>Number Out Of Range</source>
        <translation>Zahl außerhalb des Bereichs</translation>
    </message>
</context>
<context>
    <name>tav::ESignature</name>
    <message>
        <source>The requested electronic signature%n    %1%ncannot be applied because the file contains no%n    %2%nto sign.</source>
        <translation>Die angeforderte elektronische Signatur%n    %1%nkann nicht angebracht werden, weil die Datei keine%n    %2%nzum Signieren enthält.</translation>
    </message>
    <message>
        <source>Electronic Signature error</source>
        <translation>Fehler bei der elektronischen Signatur</translation>
    </message>
    <message>
        <source>Electronic Signature</source>
        <translation>Elektronische Signatur</translation>
    </message>
    <message>
        <source>Electronic Signature for :</source>
        <translation>Elektronische Signatur für:</translation>
    </message>
    <message>
        <source>Per FDA 21 CFR Part 11 Regulation, 11.10(g) :</source>
        <translation>Gemäß FDA-Vorschrift 21 CFR Part 11, 11.10(g):</translation>
    </message>
    <message>
        <source>Please contact your Administrator to correct the Windows User definition for this user.</source>
        <translation>Bitte wenden Sie sich an Ihren Administrator, damit er die Windows-Benutzerdefinition dieses Benutzers korrigiert.</translation>
    </message>
    <message>
        <source>You have not selected a entry for the &quot;Reason&quot; field.</source>
        <translation>Sie haben im Feld „Grund“ keinen Eintrag ausgewählt.</translation>
    </message>
    <message>
        <source>Per FDA 21 CFR Part 11 Regulation, 11.50(a)(3) :</source>
        <translation>Gemäß FDA-Vorschrift 21 CFR Part 11, 11.50(a)(3):</translation>
    </message>
    <message>
        <source>For compliance, E-signatures can only be accepted with non-blank reasons defined.</source>
        <translation>Zur Einhaltung der Vorschrift werden E-Signaturen nur mit einem angegebenen Grund angenommen.</translation>
    </message>
    <message>
        <source>The user specified is not a member of the &quot;%s&quot; Windows User Group.</source>
        <translation>Der angegebene Benutzer ist nicht Mitglied der Windows-Benutzergruppe „%s“.</translation>
    </message>
    <message>
        <source>For compliance, E-signatures are only allowed for users that are authorized by membership in the &quot;%s&quot; user group.</source>
        <translation>Zur Einhaltung der Vorschrift sind E-Signaturen nur Benutzern erlaubt, die durch Mitgliedschaft in der Benutzergruppe „%s“ berechtigt sind.</translation>
    </message>
    <message>
        <source>The user specified is not a member of a valid E-signature Windows User Group.</source>
        <translation>Der angegebene Benutzer ist nicht Mitglied einer gültigen Windows-Benutzergruppe für E-Signaturen.</translation>
    </message>
    <message>
        <source>For compliance, E-signatures are only allowed for users that are authorized by membership in a valid group.</source>
        <translation>Zur Einhaltung der Vorschrift sind E-Signaturen nur Benutzern erlaubt, die durch Mitgliedschaft in einer gültigen Gruppe berechtigt sind.</translation>
    </message>
</context>
<context>
    <name>tav::EventLogPage</name>
    <message>
        <source>The list shows no events to review.</source>
        <translation>Die Liste zeigt keine zu prüfenden Ereignisse.</translation>
    </message>
    <message>
        <source>Mark Reviewed</source>
        <translation>Als geprüft kennzeichnen</translation>
    </message>
    <message>
        <source>Review recorded: %1 (%2 events).</source>
        <translation>Prüfung aufgezeichnet: %1 (%2 Ereignisse).</translation>
    </message>
</context>
<context>
    <name>tav::Lists</name>
    <message>
        <source>There are no items to show in this view.</source>
        <translation>In dieser Ansicht gibt es keine Einträge.</translation>
    </message>
</context>
<context>
    <name>tav::Logon</name>
    <message>
        <source>Access to the TAV software is not allowed</source>
        <translation>Zugriff auf die TAV-Software nicht erlaubt</translation>
    </message>
    <message>
        <source>The entered username does not have permission to run the TAV software.
Please contact your Administrator to setup users with membership in user groups   
as appropriate for authentication within the TAV software.

You may try a different username at the User Login screen, or use Cancel to exit.</source>
        <translation>Der eingegebene Benutzer hat keine Berechtigung, die TAV-Software zu verwenden.
Bitte wenden Sie sich an Ihren Administrator, damit er Benutzer in die passenden   
Benutzergruppen für die Anmeldung an der TAV-Software aufnimmt.

Sie können im Anmeldedialog einen anderen Benutzernamen versuchen oder mit Abbrechen beenden.</translation>
    </message>
    <message>
        <source>Access to this feature is not allowed</source>
        <translation>Zugriff auf diese Funktion nicht erlaubt</translation>
    </message>
    <message>
        <source>The current logged-on user does not have permission to perform the &quot;%s&quot; activity.
Please refer to the User Groups tab of the 21 CFR Part 11 configuration.</source>
        <translation>Der angemeldete Benutzer hat keine Berechtigung für die Tätigkeit „%s“.
Siehe die Registerkarte der Benutzergruppen in der Konfiguration nach 21 CFR Part 11.</translation>
    </message>
    <message>
        <source>Authentication failure: Error code %ld</source>
        <translation>Authentifizierung fehlgeschlagen: Fehlercode %ld</translation>
    </message>
    <message>
        <source>Windows System Authentication error</source>
        <translation>Fehler bei der Windows-Systemauthentifizierung</translation>
    </message>
    <message>
        <source>Logon failure: The user name field cannot be blank for successful authentication.   
</source>
        <translation>Anmeldefehler: Für eine erfolgreiche Authentifizierung darf das Feld Benutzername nicht leer sein.   
</translation>
    </message>
    <message>
        <source>Letters in passwords must be typed using the correct case.   
</source>
        <translation>Bei Kennwörtern wird zwischen Groß- und Kleinschreibung unterschieden.   
</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Kennwort ändern</translation>
    </message>
    <message>
        <source>The password for this account has expired. Type a new password.</source>
        <translation>Das Kennwort dieses Kontos ist abgelaufen. Geben Sie ein neues Kennwort ein.</translation>
    </message>
    <message>
        <source>The password must be changed before signing in. Type a new password.</source>
        <translation>Das Kennwort muss vor der Anmeldung geändert werden. Geben Sie ein neues Kennwort ein.</translation>
    </message>
    <message>
        <source>The passwords you typed do not match. Type the new password in both text boxes.</source>
        <translation>Die eingegebenen Kennwörter stimmen nicht überein. Geben Sie das neue Kennwort in beide Felder ein.</translation>
    </message>
    <message>
        <source>System event log error</source>
        <translation>Fehler im System-Ereignisprotokoll</translation>
    </message>
    <message>
        <source>This logon attempt could not be recorded in the system event log:
    %s

The logon is refused, since every logon attempt must be recorded.
Please contact your Administrator.</source>
        <translation>Dieser Anmeldeversuch konnte nicht im System-Ereignisprotokoll aufgezeichnet werden:
    %s

Die Anmeldung wird abgelehnt, da jeder Anmeldeversuch aufgezeichnet werden muss.
Bitte wenden Sie sich an Ihren Administrator.</translation>
    </message>
    <message>
        <source>This identity check could not be recorded in the system event log:
    %s

The identity check is refused, since every attempt must be recorded.
Please contact your Administrator.</source>
        <translation>Diese Identitätsprüfung konnte nicht im System-Ereignisprotokoll aufgezeichnet werden:
    %s

Die Identitätsprüfung wird abgelehnt, da jeder Versuch aufgezeichnet werden muss.
Bitte wenden Sie sich an Ihren Administrator.</translation>
    </message>
    <message>
        <source>This signature attempt could not be recorded in the system event log:
    %s

The signature is refused, since every failed signature attempt must be recorded.
Please contact your Administrator.</source>
        <translation>Dieser Signaturversuch konnte nicht im System-Ereignisprotokoll aufgezeichnet werden:
    %s

Die Signatur wird abgelehnt, da jeder fehlgeschlagene Signaturversuch aufgezeichnet werden muss.
Bitte wenden Sie sich an Ihren Administrator.</translation>
    </message>
    <message>
        <source>User Login</source>
        <translation>Benutzeranmeldung</translation>
    </message>
    <message>
        <source>Idle Timeout re-authentication required</source>
        <translation>Erneute Anmeldung nach Inaktivität erforderlich</translation>
    </message>
    <message>
        <source>Your password expires in 1 day. After that you must choose a new one when you log on.</source>
        <translation>Ihr Kennwort läuft in 1 Tag ab. Danach müssen Sie bei der Anmeldung ein neues wählen.</translation>
    </message>
    <message>
        <source>Your password expires in %d days. After that you must choose a new one when you log on.</source>
        <translation>Ihr Kennwort läuft in %d Tagen ab. Danach müssen Sie bei der Anmeldung ein neues wählen.</translation>
    </message>
</context>
<context>
    <name>tav::MessageBox</name>
    <message>
        <source>&amp;Try Again</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>&amp;Continue</source>
        <translation>&amp;Fortfahren</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
</context>
<context>
    <name>tav::Names</name>
    <message>
        <source>--- undefined ---</source>
        <translation>--- nicht definiert ---</translation>
    </message>
    <message>
        <source>Configure Compliance Settings</source>
        <translation>Compliance-Einstellungen konfigurieren</translation>
    </message>
    <message>
        <source>Create Documents</source>
        <translation>Dokumente erstellen</translation>
    </message>
    <message>
        <source>Edit Plate Setup</source>
        <translation>Plattenbelegung bearbeiten</translation>
    </message>
    <message>
        <source>Edit Thermal Profile</source>
        <translation>Temperaturprofil bearbeiten</translation>
    </message>
    <message>
        <source>Start Runs</source>
        <translation>Läufe starten</translation>
    </message>
    <message>
        <source>Stop Runs</source>
        <translation>Läufe stoppen</translation>
    </message>
    <message>
        <source>Manage Run List</source>
        <translation>Laufliste verwalten</translation>
    </message>
    <message>
        <source>Analyze Data</source>
        <translation>Daten analysieren</translation>
    </message>
    <message>
        <source>Edit Analysis Settings</source>
        <translation>Analyseeinstellungen bearbeiten</translation>
    </message>
    <message>
        <source>Calibrate Instrument</source>
        <translation>Gerät kalibrieren</translation>
    </message>
    <message>
        <source>Export Data</source>
        <translation>Daten exportieren</translation>
    </message>
    <message>
        <source>Print Reports</source>
        <translation>Berichte drucken</translation>
    </message>
    <message>
        <source>Save Templates and Methods</source>
        <translation>Vorlagen und Methoden speichern</translation>
    </message>
    <message>
        <source>View Audit Trails</source>
        <translation>Audit-Trails einsehen</translation>
    </message>
    <message>
        <source>Run Files (*.tav)</source>
        <translation>Laufdateien (*.tav)</translation>
    </message>
    <message>
        <source>Calibration Files (*.tvc)</source>
        <translation>Kalibrierdateien (*.tvc)</translation>
    </message>
    <message>
        <source>Templates (*.tvt)</source>
        <translation>Vorlagen (*.tvt)</translation>
    </message>
    <message>
        <source>Analysis Settings (*.tvs)</source>
        <translation>Analyseeinstellungen (*.tvs)</translation>
    </message>
    <message>
        <source>Reports (*.tvr)</source>
        <translation>Berichte (*.tvr)</translation>
    </message>
    <message>
        <source>Methods (*.tvm)</source>
        <translation>Methoden (*.tvm)</translation>
    </message>
    <message>
        <source>Not Audited</source>
        <translation>Nicht auditiert</translation>
    </message>
    <message>
        <source>Audited</source>
        <translation>Auditiert</translation>
    </message>
    <message>
        <source>Audited, Reason for Change Optional</source>
        <translation>Auditiert, Änderungsgrund optional</translation>
    </message>
    <message>
        <source>Audited, Reason for Change Required</source>
        <translation>Auditiert, Änderungsgrund erforderlich</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>Optional</translation>
    </message>
    <message>
        <source>Required</source>
        <translation>Erforderlich</translation>
    </message>
    <message>
        <source>Authored</source>
        <translation>Erstellt</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Geprüft</translation>
    </message>
    <message>
        <source>Approved</source>
        <translation>Freigegeben</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Verifiziert</translation>
    </message>
    <message>
        <source>document</source>
        <translation>Dokument</translation>
    </message>
    <message>
        <source>plate setup</source>
        <translation>Plattenbelegung</translation>
    </message>
    <message>
        <source>thermal profile</source>
        <translation>Temperaturprofil</translation>
    </message>
    <message>
        <source>run data</source>
        <translation>Laufdaten</translation>
    </message>
    <message>
        <source>analysis results</source>
        <translation>Analyseergebnisse</translation>
    </message>
    <message>
        <source>calibration data</source>
        <translation>Kalibrierdaten</translation>
    </message>
    <message>
        <source>analysis settings</source>
        <translation>Analyseeinstellungen</translation>
    </message>
    <message>
        <source>Document</source>
        <translation>Dokument</translation>
    </message>
    <message>
        <source>Plate Setup</source>
        <translation>Plattenbelegung</translation>
    </message>
    <message>
        <source>Thermal Profile</source>
        <translation>Temperaturprofil</translation>
    </message>
    <message>
        <source>Run Data</source>
        <translation>Laufdaten</translation>
    </message>
    <message>
        <source>Analysis Results</source>
        <translation>Analyseergebnisse</translation>
    </message>
    <message>
        <source>Calibration Data</source>
        <translation>Kalibrierdaten</translation>
    </message>
    <message>
        <source>Analysis Settings</source>
        <translation>Analyseeinstellungen</translation>
    </message>
    <message>
        <source>Authored Document</source>
        <translation>Dokument erstellt</translation>
    </message>
    <message>
        <source>Authored Plate Setup</source>
        <translation>Plattenbelegung erstellt</translation>
    </message>
    <message>
        <source>Authored Thermal Profile</source>
        <translation>Temperaturprofil erstellt</translation>
    </message>
    <message>
        <source>Authored Run Data</source>
        <translation>Laufdaten erstellt</translation>
    </message>
    <message>
        <source>Authored Analysis Results</source>
        <translation>Analyseergebnisse erstellt</translation>
    </message>
    <message>
        <source>Authored Calibration Data</source>
        <translation>Kalibrierdaten erstellt</translation>
    </message>
    <message>
        <source>Authored Analysis Settings</source>
        <translation>Analyseeinstellungen erstellt</translation>
    </message>
    <message>
        <source>Reviewed Document</source>
        <translation>Dokument geprüft</translation>
    </message>
    <message>
        <source>Reviewed Plate Setup</source>
        <translation>Plattenbelegung geprüft</translation>
    </message>
    <message>
        <source>Reviewed Thermal Profile</source>
        <translation>Temperaturprofil geprüft</translation>
    </message>
    <message>
        <source>Reviewed Run Data</source>
        <translation>Laufdaten geprüft</translation>
    </message>
    <message>
        <source>Reviewed Analysis Results</source>
        <translation>Analyseergebnisse geprüft</translation>
    </message>
    <message>
        <source>Reviewed Calibration Data</source>
        <translation>Kalibrierdaten geprüft</translation>
    </message>
    <message>
        <source>Reviewed Analysis Settings</source>
        <translation>Analyseeinstellungen geprüft</translation>
    </message>
    <message>
        <source>Approved Document</source>
        <translation>Dokument freigegeben</translation>
    </message>
    <message>
        <source>Approved Plate Setup</source>
        <translation>Plattenbelegung freigegeben</translation>
    </message>
    <message>
        <source>Approved Thermal Profile</source>
        <translation>Temperaturprofil freigegeben</translation>
    </message>
    <message>
        <source>Approved Run Data</source>
        <translation>Laufdaten freigegeben</translation>
    </message>
    <message>
        <source>Approved Analysis Results</source>
        <translation>Analyseergebnisse freigegeben</translation>
    </message>
    <message>
        <source>Approved Calibration Data</source>
        <translation>Kalibrierdaten freigegeben</translation>
    </message>
    <message>
        <source>Approved Analysis Settings</source>
        <translation>Analyseeinstellungen freigegeben</translation>
    </message>
    <message>
        <source>Verified Document</source>
        <translation>Dokument verifiziert</translation>
    </message>
    <message>
        <source>Verified Plate Setup</source>
        <translation>Plattenbelegung verifiziert</translation>
    </message>
    <message>
        <source>Verified Thermal Profile</source>
        <translation>Temperaturprofil verifiziert</translation>
    </message>
    <message>
        <source>Verified Run Data</source>
        <translation>Laufdaten verifiziert</translation>
    </message>
    <message>
        <source>Verified Analysis Results</source>
        <translation>Analyseergebnisse verifiziert</translation>
    </message>
    <message>
        <source>Verified Calibration Data</source>
        <translation>Kalibrierdaten verifiziert</translation>
    </message>
    <message>
        <source>Verified Analysis Settings</source>
        <translation>Analyseeinstellungen verifiziert</translation>
    </message>
</context>
<context>
    <name>tav::ReviewFlow</name>
    <message>
        <source>The signature was refused (error %1).</source>
        <translation>Die Signatur wurde abgelehnt (Fehler %1).</translation>
    </message>
    <message>
        <source>The review was not recorded.</source>
        <translation>Die Prüfung wurde nicht aufgezeichnet.</translation>
    </message>
    <message>
        <source>Mark Reviewed</source>
        <translation>Als geprüft kennzeichnen</translation>
    </message>
</context>
<context>
    <name>tav::RunList</name>
    <message>
        <source>Destination folder cannot be blank.</source>
        <translation>Der Zielordner darf nicht leer sein.</translation>
    </message>
    <message>
        <source>&apos;%s&apos; is not a valid path.</source>
        <translation>„%s“ ist kein gültiger Pfad.</translation>
    </message>
    <message>
        <source>Destination path must start with &apos;/&apos;.</source>
        <translation>Der Zielpfad muss mit „/“ beginnen.</translation>
    </message>
    <message>
        <source>Partial or relative paths are not allowed.</source>
        <translation>Unvollständige oder relative Pfade sind nicht erlaubt.</translation>
    </message>
    <message>
        <source>Run List Manager</source>
        <translation>Laufliste verwalten</translation>
    </message>
    <message>
        <source>Run List</source>
        <translation>Laufliste</translation>
    </message>
    <message>
        <source>Audit Trail</source>
        <translation>Audit-Trail</translation>
    </message>
    <message>
        <source>No items were selected!
</source>
        <translation>Es wurden keine Einträge ausgewählt!
</translation>
    </message>
    <message>
        <source>Confirm File Delete</source>
        <translation>Löschen der Datei bestätigen</translation>
    </message>
    <message>
        <source>Confirm File Replace</source>
        <translation>Ersetzen der Datei bestätigen</translation>
    </message>
    <message>
        <source>%s is currently open and cannot be deleted.</source>
        <translation>%s ist gerade geöffnet und kann nicht gelöscht werden.</translation>
    </message>
    <message>
        <source>Select destination folder</source>
        <translation>Zielordner wählen</translation>
    </message>
    <message>
        <source>File Import</source>
        <translation>Dateiimport</translation>
    </message>
    <message>
        <source>TAV Files (*.tav *.tvm *.tvt)</source>
        <translation>TAV-Dateien (*.tav *.tvm *.tvt)</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>&amp;Importieren</translation>
    </message>
    <message>
        <source>Missing: the file is no longer at this location. Delete removes it from the list.</source>
        <translation>Fehlt: Die Datei ist nicht mehr an diesem Ort. Löschen entfernt sie aus der Liste.</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Created Date</source>
        <translation>Erstellt am</translation>
    </message>
    <message>
        <source>Created By</source>
        <translation>Erstellt von</translation>
    </message>
    <message>
        <source>Date &amp; Time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Benutzer</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Ereignis</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Beschreibung</translation>
    </message>
    <message>
        <source>The file is deleted; it was not on the run list any more.</source>
        <translation>Die Datei ist gelöscht; sie stand nicht mehr auf der Laufliste.</translation>
    </message>
    <message>
        <source>The file was not on the run list any more.</source>
        <translation>Die Datei stand nicht mehr auf der Laufliste.</translation>
    </message>
    <message>
        <source>The file is deleted, but the run list still holds it: the next time the list is loaded it is shown as missing, and Delete removes it.</source>
        <translation>Die Datei ist gelöscht, steht aber noch auf der Laufliste: Beim nächsten Laden wird sie als fehlend angezeigt, und Löschen entfernt sie.</translation>
    </message>
    <message>
        <source>The run list still holds the file: the next time the list is loaded it is shown again, as missing.</source>
        <translation>Die Laufliste enthält die Datei noch: Beim nächsten Laden wird sie wieder angezeigt, als fehlend.</translation>
    </message>
    <message>
        <source>The file is now at [%s], but it was not on the run list any more; Import adds it.</source>
        <translation>Die Datei liegt jetzt unter [%s], stand aber nicht mehr auf der Laufliste; Importieren fügt sie hinzu.</translation>
    </message>
    <message>
        <source>The file is now at [%s], but the run list still names it at [%s]: the next time the list is loaded it is shown there as missing. Import adds the file at its new place.</source>
        <translation>Die Datei liegt jetzt unter [%s], die Laufliste nennt sie aber noch unter [%s]: Beim nächsten Laden wird sie dort als fehlend angezeigt. Importieren fügt die Datei an ihrem neuen Ort hinzu.</translation>
    </message>
    <message>
        <source>Are you sure you want to delete &apos;%s&apos;?</source>
        <translation>Möchten Sie „%s“ wirklich löschen?</translation>
    </message>
    <message>
        <source>%s is not found. Would you like to remove it from the list?</source>
        <translation>%s wurde nicht gefunden. Möchten Sie den Eintrag aus der Liste entfernen?</translation>
    </message>
    <message>
        <source>Failed to delete [%s]. </source>
        <translation>[%s] konnte nicht gelöscht werden. </translation>
    </message>
    <message>
        <source>Failed to delete record [%s]. </source>
        <translation>Der Eintrag [%s] konnte nicht gelöscht werden. </translation>
    </message>
    <message>
        <source>Error: %d</source>
        <translation>Fehler: %d</translation>
    </message>
    <message>
        <source>&apos;%s&apos; is not found.</source>
        <translation>„%s“ wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>&apos;%s&apos; is already in &apos;%s&apos;</source>
        <translation>„%s“ ist bereits in „%s“</translation>
    </message>
    <message>
        <source>Destination folder cannot be the same as the current folder.</source>
        <translation>Der Zielordner darf nicht der aktuelle Ordner sein.</translation>
    </message>
    <message>
        <source>&apos;%s&apos; already exists in &apos;%s&apos;</source>
        <translation>„%s“ ist in „%s“ bereits vorhanden</translation>
    </message>
    <message>
        <source>Are you sure you want to replace it?</source>
        <translation>Möchten Sie die Datei wirklich ersetzen?</translation>
    </message>
    <message>
        <source>Failed to move [%s] to [%s] </source>
        <translation>[%s] konnte nicht nach [%s] verschoben werden. </translation>
    </message>
    <message>
        <source>The file was copied to [%s], but [%s] could not be removed; the run list still names [%s].</source>
        <translation>Die Datei wurde nach [%s] kopiert, aber [%s] konnte nicht entfernt werden; die Laufliste nennt noch [%s].</translation>
    </message>
    <message>
        <source>Failed to update file list. </source>
        <translation>Die Dateiliste konnte nicht aktualisiert werden. </translation>
    </message>
    <message>
        <source>[%s] is not an TAV file.</source>
        <translation>[%s] ist keine TAV-Datei.</translation>
    </message>
    <message>
        <source>[%s] is already on the list. It cannot be imported again.</source>
        <translation>[%s] steht bereits auf der Liste und kann nicht erneut importiert werden.</translation>
    </message>
    <message>
        <source>Failed to import [%s]. </source>
        <translation>[%s] konnte nicht importiert werden. </translation>
    </message>
    <message>
        <source>Tessik v2.0</source>
        <translation>Tessik v2.0</translation>
    </message>
</context>
<context>
    <name>tav::SecurityMessages</name>
    <message>
        <source>The operation completed successfully.</source>
        <translation>Der Vorgang wurde erfolgreich beendet.</translation>
    </message>
    <message>
        <source>The user name is blank.</source>
        <translation>Der Benutzername ist leer.</translation>
    </message>
    <message>
        <source>The handle is invalid.</source>
        <translation>Das Handle ist ungültig.</translation>
    </message>
    <message>
        <source>Not enough memory resources are available to process this command.</source>
        <translation>Für diesen Befehl ist nicht genügend Arbeitsspeicher verfügbar.</translation>
    </message>
    <message>
        <source>The parameter is incorrect.</source>
        <translation>Der Parameter ist falsch.</translation>
    </message>
    <message>
        <source>No logon server is available to service the logon request.</source>
        <translation>Es ist kein Anmeldeserver verfügbar, der die Anmeldung bearbeiten kann.</translation>
    </message>
    <message>
        <source>Logon failure: unknown user name or bad password.</source>
        <translation>Anmeldefehler: Unbekannter Benutzername oder falsches Kennwort.</translation>
    </message>
    <message>
        <source>Unable to update the password. The value provided for the new password does not meet the length, complexity, or history requirements of the domain.</source>
        <translation>Das Kennwort kann nicht geändert werden. Das neue Kennwort erfüllt die Anforderungen an Länge, Komplexität oder Kennwortchronik nicht.</translation>
    </message>
    <message>
        <source>Logon failure: account restrictions prevent this user from signing in.</source>
        <translation>Anmeldefehler: Kontoeinschränkungen verhindern die Anmeldung dieses Benutzers.</translation>
    </message>
    <message>
        <source>The password for this account has expired.</source>
        <translation>Das Kennwort dieses Kontos ist abgelaufen.</translation>
    </message>
    <message>
        <source>Logon failure: the account is currently disabled.</source>
        <translation>Anmeldefehler: Das Konto ist zurzeit deaktiviert.</translation>
    </message>
    <message>
        <source>Logon failure: the account has expired.</source>
        <translation>Anmeldefehler: Das Konto ist abgelaufen.</translation>
    </message>
    <message>
        <source>The user&apos;s password must be changed before signing in.</source>
        <translation>Das Kennwort des Benutzers muss vor der Anmeldung geändert werden.</translation>
    </message>
    <message>
        <source>The referenced account is currently locked out and may not be logged on to.</source>
        <translation>Das Konto ist zurzeit gesperrt; eine Anmeldung ist nicht möglich.</translation>
    </message>
</context>
<context>
    <name>tav::SystemAudit</name>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Export to CSV...</source>
        <translation>Als CSV &amp;exportieren...</translation>
    </message>
    <message>
        <source>Export &amp;Signed Listing...</source>
        <translation>&amp;Signierte Auflistung exportieren...</translation>
    </message>
    <message>
        <source>The chain of the event log could not be checked: %s</source>
        <translation>Die Kette des Ereignisprotokolls konnte nicht geprüft werden: %s</translation>
    </message>
    <message>
        <source>Date &amp; Time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>User Login</source>
        <translation>Benutzeranmeldung</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Ereignis</translation>
    </message>
    <message>
        <source>Checking the chain of the event log...</source>
        <translation>Die Kette des Ereignisprotokolls wird geprüft...</translation>
    </message>
    <message>
        <source>Workstation</source>
        <translation>Arbeitsplatz</translation>
    </message>
    <message>
        <source>System Audit</source>
        <translation>Systemaudit</translation>
    </message>
    <message>
        <source>Event Log</source>
        <translation>Ereignisprotokoll</translation>
    </message>
    <message>
        <source>Configuration Audit Trail</source>
        <translation>Audit-Trail der Konfiguration</translation>
    </message>
    <message>
        <source>(no values recorded)</source>
        <translation>(keine Werte aufgezeichnet)</translation>
    </message>
    <message>
        <source>Reason for Change</source>
        <translation>Änderungsgrund</translation>
    </message>
    <message>
        <source>What Changed</source>
        <translation>Geänderte Angaben</translation>
    </message>
    <message>
        <source>(no user)</source>
        <translation>(kein Benutzer)</translation>
    </message>
    <message>
        <source>Change %s on %s by %s</source>
        <translation>Änderung %s am %s durch %s</translation>
    </message>
    <message>
        <source>Reason for change: %s</source>
        <translation>Änderungsgrund: %s</translation>
    </message>
    <message>
        <source>(none given)</source>
        <translation>(keiner angegeben)</translation>
    </message>
    <message>
        <source>1 event, chain intact</source>
        <translation>1 Ereignis, Kette intakt</translation>
    </message>
    <message numerus="yes">
        <source>%n events, chain intact</source>
        <translation>
            <numerusform>%n Ereignis, Kette intakt</numerusform>
            <numerusform>%n Ereignisse, Kette intakt</numerusform>
        </translation>
    </message>
    <message>
        <source>1 event. Chain broken: %s</source>
        <translation>1 Ereignis. Kette unterbrochen: %s</translation>
    </message>
    <message numerus="yes">
        <source>%n events. Chain broken: %s</source>
        <translation>
            <numerusform>%n Ereignis. Kette unterbrochen: %s</numerusform>
            <numerusform>%n Ereignisse. Kette unterbrochen: %s</numerusform>
        </translation>
    </message>
    <message>
        <source> (and 1 more problem)</source>
        <translation> (und 1 weiteres Problem)</translation>
    </message>
    <message numerus="yes">
        <source> (and %n more problems)</source>
        <translation>
            <numerusform> (und %n weiteres Problem)</numerusform>
            <numerusform> (und %n weitere Probleme)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tav::host::HostWindow</name>
    <message>
        <source>(nobody is logged on)</source>
        <translation>(niemand angemeldet)</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(keine)</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <source>TAV Host - %1</source>
        <translation>TAV Host - %1</translation>
    </message>
    <message>
        <source>TAV Host</source>
        <translation>TAV Host</translation>
    </message>
    <message>
        <source>Idle re-authentication after %1 s</source>
        <translation>Erneute Anmeldung nach %1 s Inaktivität</translation>
    </message>
    <message>
        <source>No idle timeout</source>
        <translation>Kein Zeitlimit bei Inaktivität</translation>
    </message>
    <message>
        <source>About TAV Host</source>
        <translation>Über TAV Host</translation>
    </message>
    <message>
        <source>TAV Host: a sample program of the instrument suite that uses libTAVSecurityUI for logons, permissions and compliance dialogs.</source>
        <translation>TAV Host: ein Beispielprogramm der Gerätesoftware, das libTAVSecurityUI für Anmeldungen, Berechtigungen und Compliance-Dialoge verwendet.</translation>
    </message>
    <message>
        <source>Not in this version of the library</source>
        <translation>Nicht in dieser Version der Bibliothek</translation>
    </message>
    <message>
        <source>Show Signatures</source>
        <translation>Signaturen anzeigen</translation>
    </message>
    <message>
        <source>Sign a Document</source>
        <translation>Dokument signieren</translation>
    </message>
</context>
<context>
    <name>tav::host::RunDocuments</name>
    <message>
        <source>%1 - Run Document</source>
        <translation>%1 - Laufdokument</translation>
    </message>
</context>
<context>
    <name>tav::host::SignDocument</name>
    <message>
        <source>Documents of the suite (*.tav *.tvc *.tvt *.tvs *.tvr *.tvm);;All files (*)</source>
        <translation>Dokumente der Gerätesoftware (*.tav *.tvc *.tvt *.tvs *.tvr *.tvm);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>%1 holds no signatures.</source>
        <translation>%1 enthält keine Signaturen.</translation>
    </message>
    <message>
        <source>Signatures</source>
        <translation>Signaturen</translation>
    </message>
</context>
</TS>
