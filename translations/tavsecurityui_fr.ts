<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>AuditESigPage</name>
    <message>
        <source>The TAV software can be configured to enable or disable auditing for each file type.</source>
        <translation>Le logiciel TAV peut être configuré pour activer ou désactiver l&apos;audit de chaque type de fichier.</translation>
    </message>
    <message>
        <source>The TAV software can be configured for Optional or Required electronic signatures for each activity. Appropriate E-Signature activities will be populated depending upon the selection above.</source>
        <translation>Le logiciel TAV peut exiger, pour chaque activité, des signatures électroniques facultatives ou obligatoires. Les activités de signature correspondantes s&apos;affichent selon la sélection ci-dessus.</translation>
    </message>
</context>
<context>
    <name>AuditFilterBar</name>
    <message>
        <source>From</source>
        <translation>Du</translation>
    </message>
    <message>
        <source>yyyy-MM-dd HH:mm:ss</source>
        <translation>dd/MM/yyyy HH:mm:ss</translation>
    </message>
    <message>
        <source>To</source>
        <translation>Au</translation>
    </message>
    <message>
        <source>&amp;User:</source>
        <translation>&amp;Utilisateur :</translation>
    </message>
    <message>
        <source>&amp;Event:</source>
        <translation>&amp;Événement :</translation>
    </message>
    <message>
        <source>F&amp;ind:</source>
        <translation>Re&amp;chercher :</translation>
    </message>
    <message>
        <source>Text in any column</source>
        <translation>Texte dans une colonne quelconque</translation>
    </message>
    <message>
        <source>Only &amp;unreviewed</source>
        <translation>&amp;Non revus seulement</translation>
    </message>
    <message>
        <source>&amp;Mark Reviewed...</source>
        <translation>&amp;Marquer comme revu...</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>Im&amp;primer...</translation>
    </message>
    <message>
        <source>Save as P&amp;DF...</source>
        <translation>Enregistrer en P&amp;DF...</translation>
    </message>
</context>
<context>
    <name>ChangePasswordDialog</name>
    <message>
        <source>Change Password</source>
        <translation>Modifier le mot de passe</translation>
    </message>
    <message>
        <source>User name : </source>
        <translation>Nom d&apos;utilisateur : </translation>
    </message>
    <message>
        <source>&amp;New password : </source>
        <translation>&amp;Nouveau mot de passe : </translation>
    </message>
    <message>
        <source>&amp;Confirm new password : </source>
        <translation>&amp;Confirmer le nouveau mot de passe : </translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>ConfigDialog</name>
    <message>
        <source>21 CFR Part 11 Configuration</source>
        <translation>Configuration 21 CFR Part 11</translation>
    </message>
    <message>
        <source>Enable 21 CFR Part 11 Features</source>
        <translation>Activer les fonctions 21 CFR Part 11</translation>
    </message>
    <message>
        <source>Application Idle Timeout :   </source>
        <translation>Délai d&apos;inactivité de l&apos;application :   </translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>ESignatureDialog</name>
    <message>
        <source>Electronic Signature</source>
        <translation>Signature électronique</translation>
    </message>
    <message>
        <source>Electronic Signature for :</source>
        <translation>Signature électronique pour :</translation>
    </message>
    <message>
        <source>&amp;User name : </source>
        <translation>Nom d&apos;&amp;utilisateur : </translation>
    </message>
    <message>
        <source>&amp;Domain :</source>
        <translation>&amp;Domaine :</translation>
    </message>
    <message>
        <source>&amp;Password : </source>
        <translation>Mot de &amp;passe : </translation>
    </message>
    <message>
        <source>&amp;Reason :</source>
        <translation>&amp;Motif :</translation>
    </message>
    <message>
        <source>&amp;Comment :</source>
        <translation>&amp;Commentaire :</translation>
    </message>
    <message>
        <source>ESig Root Folder : </source>
        <translation>Dossier racine des signatures : </translation>
    </message>
    <message>
        <source>ESig SubFolder : </source>
        <translation>Sous-dossier des signatures : </translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>GroupPermissionsPage</name>
    <message>
        <source>The TAV software can be configured to assign user permissions for each activity.</source>
        <translation>Le logiciel TAV peut attribuer des autorisations aux utilisateurs pour chaque activité.</translation>
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
        <translation>Utilisateur connecté</translation>
    </message>
    <message>
        <source>User name:</source>
        <translation>Nom d&apos;utilisateur :</translation>
    </message>
    <message>
        <source>Full name:</source>
        <translation>Nom complet :</translation>
    </message>
    <message>
        <source>Domain:</source>
        <translation>Domaine :</translation>
    </message>
    <message>
        <source>Groups:</source>
        <translation>Groupes :</translation>
    </message>
    <message>
        <source>Administrator:</source>
        <translation>Administrateur :</translation>
    </message>
    <message>
        <source>Logon token:</source>
        <translation>Jeton de connexion :</translation>
    </message>
    <message>
        <source>Calls to the library</source>
        <translation>Appels à la bibliothèque</translation>
    </message>
    <message>
        <source>&amp;Session</source>
        <translation>&amp;Session</translation>
    </message>
    <message>
        <source>&amp;Access</source>
        <translation>&amp;Accès</translation>
    </message>
    <message>
        <source>May the User &amp;Perform</source>
        <translation>L&apos;utilisateur peut-il &amp;effectuer</translation>
    </message>
    <message>
        <source>May the User Perform (&amp;Silently)</source>
        <translation>L&apos;utilisateur peut-il effectuer (&amp;silencieux)</translation>
    </message>
    <message>
        <source>Is a Data Type Au&amp;dited?</source>
        <translation>Un type de données est-il au&amp;dité ?</translation>
    </message>
    <message>
        <source>Audit Co&amp;mment Settings</source>
        <translation>Paramètres des co&amp;mmentaires d&apos;audit</translation>
    </message>
    <message>
        <source>&amp;Compliance</source>
        <translation>&amp;Conformité</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;Log In...</source>
        <translation>Se &amp;connecter...</translation>
    </message>
    <message>
        <source>&amp;Idle Re-authentication...</source>
        <translation>Réauthentification après &amp;inactivité...</translation>
    </message>
    <message>
        <source>&amp;Confirm Identity...</source>
        <translation>Confirmer l&apos;&amp;identité...</translation>
    </message>
    <message>
        <source>&amp;Re-impersonate From Own Token</source>
        <translation>&amp;Reprendre l&apos;identité depuis son propre jeton</translation>
    </message>
    <message>
        <source>Log &amp;Out</source>
        <translation>Se &amp;déconnecter</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>Are the 21 CFR Part 11 Features &amp;On?</source>
        <translation>Les fonctions 21 CFR Part 11 sont-elles &amp;actives ?</translation>
    </message>
    <message>
        <source>May the User &amp;Run the Software?</source>
        <translation>L&apos;utilisateur peut-il &amp;utiliser le logiciel ?</translation>
    </message>
    <message>
        <source>&amp;Idle Timeout</source>
        <translation>Délai d&apos;&amp;inactivité</translation>
    </message>
    <message>
        <source>Is the System User an &amp;Administrator?</source>
        <translation>L&apos;utilisateur système est-il &amp;administrateur ?</translation>
    </message>
    <message>
        <source>21 CFR Part 11 &amp;Configuration...</source>
        <translation>&amp;Configuration 21 CFR Part 11...</translation>
    </message>
    <message>
        <source>System &amp;Event Log...</source>
        <translation>&amp;Journal des événements système...</translation>
    </message>
    <message>
        <source>Configuration &amp;Audit Trail...</source>
        <translation>&amp;Piste d&apos;audit de la configuration...</translation>
    </message>
    <message>
        <source>&amp;Run List Manager...</source>
        <translation>Gestionnaire de la liste des &amp;runs...</translation>
    </message>
    <message>
        <source>Set Up E-&amp;Signatures</source>
        <translation>Configurer les &amp;signatures électroniques</translation>
    </message>
    <message>
        <source>Si&amp;gn a Document...</source>
        <translation>Si&amp;gner un document...</translation>
    </message>
    <message>
        <source>Show Signa&amp;tures...</source>
        <translation>Afficher les signa&amp;tures...</translation>
    </message>
    <message>
        <source>Release Configuration A&amp;rrays</source>
        <translation>Libérer les &amp;tableaux de configuration</translation>
    </message>
    <message>
        <source>&amp;About TAV Host</source>
        <translation>À &amp;propos de TAV Host</translation>
    </message>
</context>
<context>
    <name>RunListManagerDlg</name>
    <message>
        <source>Run List Manager</source>
        <translation>Gestionnaire de la liste des runs</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Move</source>
        <translation>Déplacer</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importer</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>SystemAuditDialog</name>
    <message>
        <source>System Audit</source>
        <translation>Audit du système</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>UserLoginDialog</name>
    <message>
        <source>User Login</source>
        <translation>Connexion de l&apos;utilisateur</translation>
    </message>
    <message>
        <source>&amp;User name : </source>
        <translation>Nom d&apos;&amp;utilisateur : </translation>
    </message>
    <message>
        <source>&amp;Domain :</source>
        <translation>&amp;Domaine :</translation>
    </message>
    <message>
        <source>&amp;Password : </source>
        <translation>Mot de &amp;passe : </translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>tav::AuditFilterBar</name>
    <message>
        <source>&amp;Event:</source>
        <translation>&amp;Événement :</translation>
    </message>
    <message>
        <source>&amp;Change:</source>
        <translation>&amp;Modification :</translation>
    </message>
    <message>
        <source>(all users)</source>
        <translation>(tous les utilisateurs)</translation>
    </message>
    <message>
        <source>(all events)</source>
        <translation>(tous les événements)</translation>
    </message>
    <message>
        <source>(all changes)</source>
        <translation>(toutes les modifications)</translation>
    </message>
    <message>
        <source>%1 of %2 events</source>
        <translation>%1 sur %2 événements</translation>
    </message>
    <message>
        <source>%1 of %2 changes</source>
        <translation>%1 sur %2 modifications</translation>
    </message>
</context>
<context>
    <name>tav::CAuditESigPage</name>
    <message>
        <source>File Type</source>
        <translation>Type de fichier</translation>
    </message>
    <message>
        <source>Enable
Auditing</source>
        <translation>Activer
l&apos;audit</translation>
    </message>
    <message>
        <source>Reason For Change
Optional</source>
        <translation>Motif de modification
facultatif</translation>
    </message>
    <message>
        <source>Reason For Change
Required</source>
        <translation>Motif de modification
obligatoire</translation>
    </message>
    <message>
        <source>E-Signature for Selected File Type</source>
        <translation>Signature électronique pour le type de fichier choisi</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>Facultative</translation>
    </message>
    <message>
        <source>Required</source>
        <translation>Obligatoire</translation>
    </message>
</context>
<context>
    <name>tav::CAuditListCtrl</name>
    <message>
        <source>Export</source>
        <translation>Exporter</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>Fichiers CSV (*.csv);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>The list could not be exported to %1:
%2</source>
        <translation>La liste n&apos;a pas pu être exportée vers %1 :
%2</translation>
    </message>
    <message>
        <source>The listing could not be exported to %1:
%2</source>
        <translation>Le listage n&apos;a pas pu être exporté vers %1 :
%2</translation>
    </message>
    <message>
        <source>The listing was exported to %1, but %2</source>
        <translation>Le listage a été exporté vers %1, mais : %2</translation>
    </message>
    <message>
        <source>Save as PDF</source>
        <translation>Enregistrer en PDF</translation>
    </message>
    <message>
        <source>PDF files (*.pdf);;All files (*)</source>
        <translation>Fichiers PDF (*.pdf);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>The report could not be saved to %1:</source>
        <translation>Le rapport n&apos;a pas pu être enregistré dans %1 :</translation>
    </message>
    <message>
        <source>The report could not be printed:</source>
        <translation>Le rapport n&apos;a pas pu être imprimé :</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Imprimer</translation>
    </message>
</context>
<context>
    <name>tav::CGroupPermissionsPage</name>
    <message>
        <source>Activity</source>
        <translation>Activité</translation>
    </message>
</context>
<context>
    <name>tav::ConfigTrailPanel</name>
    <message>
        <source>The configuration audit trail could not be read: %1</source>
        <translation>La piste d&apos;audit de la configuration n&apos;a pas pu être lue : %1</translation>
    </message>
    <message>
        <source>The list shows no changes to review.</source>
        <translation>La liste ne montre aucune modification à revoir.</translation>
    </message>
    <message>
        <source>Mark Reviewed</source>
        <translation>Marquer comme revu</translation>
    </message>
    <message>
        <source>Review recorded: %1 (%2 changes).</source>
        <translation>Revue enregistrée : %1 (%2 modifications).</translation>
    </message>
</context>
<context>
    <name>tav::Configuration</name>
    <message>
        <source>Auditing and E-Signatures</source>
        <translation>Audit et signatures électroniques</translation>
    </message>
    <message>
        <source>always audited</source>
        <translation>toujours audité</translation>
    </message>
    <message>
        <source>To access the 21 CFR Part 11 Configuration, you must be a System Administrator.</source>
        <translation>Pour accéder à la configuration 21 CFR Part 11, vous devez être administrateur système.</translation>
    </message>
    <message>
        <source>Administrator rights required.</source>
        <translation>Droits d&apos;administrateur requis.</translation>
    </message>
    <message>
        <source>error %d</source>
        <translation>erreur %d</translation>
    </message>
    <message>
        <source>21 CFR Part 11 Configuration</source>
        <translation>Configuration 21 CFR Part 11</translation>
    </message>
    <message>
        <source>The settings could not be saved:
%s

The dialog stays open; press OK to try again.</source>
        <translation>Les paramètres n&apos;ont pas pu être enregistrés :
%s

La boîte de dialogue reste ouverte ; cliquez sur OK pour réessayer.</translation>
    </message>
    <message>
        <source>User Group Permissions</source>
        <translation>Autorisations des groupes d&apos;utilisateurs</translation>
    </message>
    <message>
        <source>The idle timeout must be a value between %d and %d.
(The value 0 means the timeout is forever.)</source>
        <translation>Le délai d&apos;inactivité doit être une valeur comprise entre %d et %d.
(La valeur 0 signifie un délai illimité.)</translation>
    </message>
    <message>
        <source>Number Out Of Range</source>
        <translation>Nombre hors limites</translation>
    </message>
</context>
<context>
    <name>tav::ESignature</name>
    <message>
        <source>The requested electronic signature%n    %1%ncannot be applied because the file contains no%n    %2%nto sign.</source>
        <translation>La signature électronique demandée%n    %1%nne peut pas être apposée, car le fichier ne contient pas de%n    %2%nà signer.</translation>
    </message>
    <message>
        <source>Electronic Signature error</source>
        <translation>Erreur de signature électronique</translation>
    </message>
    <message>
        <source>Electronic Signature</source>
        <translation>Signature électronique</translation>
    </message>
    <message>
        <source>Electronic Signature for :</source>
        <translation>Signature électronique pour :</translation>
    </message>
    <message>
        <source>Per FDA 21 CFR Part 11 Regulation, 11.10(g) :</source>
        <translation>Selon la réglementation FDA 21 CFR Part 11, 11.10(g) :</translation>
    </message>
    <message>
        <source>Please contact your Administrator to correct the Windows User definition for this user.</source>
        <translation>Veuillez contacter votre administrateur pour corriger la définition de cet utilisateur Windows.</translation>
    </message>
    <message>
        <source>You have not selected a entry for the &quot;Reason&quot; field.</source>
        <translation>Vous n&apos;avez choisi aucune entrée dans le champ « Motif ».</translation>
    </message>
    <message>
        <source>Per FDA 21 CFR Part 11 Regulation, 11.50(a)(3) :</source>
        <translation>Selon la réglementation FDA 21 CFR Part 11, 11.50(a)(3) :</translation>
    </message>
    <message>
        <source>For compliance, E-signatures can only be accepted with non-blank reasons defined.</source>
        <translation>Pour la conformité, les signatures électroniques ne sont acceptées qu&apos;avec un motif renseigné.</translation>
    </message>
    <message>
        <source>The user specified is not a member of the &quot;%s&quot; Windows User Group.</source>
        <translation>L&apos;utilisateur indiqué n&apos;est pas membre du groupe d&apos;utilisateurs Windows « %s ».</translation>
    </message>
    <message>
        <source>For compliance, E-signatures are only allowed for users that are authorized by membership in the &quot;%s&quot; user group.</source>
        <translation>Pour la conformité, les signatures électroniques ne sont permises qu&apos;aux utilisateurs autorisés par leur appartenance au groupe « %s ».</translation>
    </message>
    <message>
        <source>The user specified is not a member of a valid E-signature Windows User Group.</source>
        <translation>L&apos;utilisateur indiqué n&apos;est membre d&apos;aucun groupe d&apos;utilisateurs Windows valide pour les signatures électroniques.</translation>
    </message>
    <message>
        <source>For compliance, E-signatures are only allowed for users that are authorized by membership in a valid group.</source>
        <translation>Pour la conformité, les signatures électroniques ne sont permises qu&apos;aux utilisateurs autorisés par leur appartenance à un groupe valide.</translation>
    </message>
</context>
<context>
    <name>tav::EventLogPage</name>
    <message>
        <source>The list shows no events to review.</source>
        <translation>La liste ne montre aucun événement à revoir.</translation>
    </message>
    <message>
        <source>Mark Reviewed</source>
        <translation>Marquer comme revu</translation>
    </message>
    <message>
        <source>Review recorded: %1 (%2 events).</source>
        <translation>Revue enregistrée : %1 (%2 événements).</translation>
    </message>
</context>
<context>
    <name>tav::Lists</name>
    <message>
        <source>There are no items to show in this view.</source>
        <translation>Aucun élément à afficher dans cette vue.</translation>
    </message>
</context>
<context>
    <name>tav::Logon</name>
    <message>
        <source>Access to the TAV software is not allowed</source>
        <translation>Accès au logiciel TAV non autorisé</translation>
    </message>
    <message>
        <source>The entered username does not have permission to run the TAV software.
Please contact your Administrator to setup users with membership in user groups   
as appropriate for authentication within the TAV software.

You may try a different username at the User Login screen, or use Cancel to exit.</source>
        <translation>L&apos;utilisateur saisi n&apos;est pas autorisé à utiliser le logiciel TAV.
Veuillez contacter votre administrateur pour inscrire les utilisateurs dans les groupes   
d&apos;utilisateurs appropriés à l&apos;authentification dans le logiciel TAV.

Vous pouvez essayer un autre nom d&apos;utilisateur dans l&apos;écran de connexion, ou quitter avec Annuler.</translation>
    </message>
    <message>
        <source>Access to this feature is not allowed</source>
        <translation>Accès à cette fonction non autorisé</translation>
    </message>
    <message>
        <source>The current logged-on user does not have permission to perform the &quot;%s&quot; activity.
Please refer to the User Groups tab of the 21 CFR Part 11 configuration.</source>
        <translation>L&apos;utilisateur connecté n&apos;est pas autorisé à effectuer l&apos;activité « %s ».
Voir l&apos;onglet des groupes d&apos;utilisateurs de la configuration 21 CFR Part 11.</translation>
    </message>
    <message>
        <source>Authentication failure: Error code %ld</source>
        <translation>Échec de l&apos;authentification : code d&apos;erreur %ld</translation>
    </message>
    <message>
        <source>Windows System Authentication error</source>
        <translation>Erreur d&apos;authentification du système Windows</translation>
    </message>
    <message>
        <source>Logon failure: The user name field cannot be blank for successful authentication.   
</source>
        <translation>Échec de connexion : le champ du nom d&apos;utilisateur ne peut pas être vide pour s&apos;authentifier.   
</translation>
    </message>
    <message>
        <source>Letters in passwords must be typed using the correct case.   
</source>
        <translation>Les lettres des mots de passe doivent être saisies en respectant les majuscules et minuscules.   
</translation>
    </message>
    <message>
        <source>Change Password</source>
        <translation>Modifier le mot de passe</translation>
    </message>
    <message>
        <source>The password for this account has expired. Type a new password.</source>
        <translation>Le mot de passe de ce compte a expiré. Saisissez un nouveau mot de passe.</translation>
    </message>
    <message>
        <source>The password must be changed before signing in. Type a new password.</source>
        <translation>Le mot de passe doit être modifié avant la connexion. Saisissez un nouveau mot de passe.</translation>
    </message>
    <message>
        <source>The passwords you typed do not match. Type the new password in both text boxes.</source>
        <translation>Les mots de passe saisis ne correspondent pas. Saisissez le nouveau mot de passe dans les deux zones.</translation>
    </message>
    <message>
        <source>System event log error</source>
        <translation>Erreur du journal des événements système</translation>
    </message>
    <message>
        <source>This logon attempt could not be recorded in the system event log:
    %s

The logon is refused, since every logon attempt must be recorded.
Please contact your Administrator.</source>
        <translation>Cette tentative de connexion n&apos;a pas pu être enregistrée dans le journal des événements système :
    %s

La connexion est refusée, car chaque tentative de connexion doit être enregistrée.
Veuillez contacter votre administrateur.</translation>
    </message>
    <message>
        <source>This identity check could not be recorded in the system event log:
    %s

The identity check is refused, since every attempt must be recorded.
Please contact your Administrator.</source>
        <translation>Cette vérification d&apos;identité n&apos;a pas pu être enregistrée dans le journal des événements système :
    %s

La vérification d&apos;identité est refusée, car chaque tentative doit être enregistrée.
Veuillez contacter votre administrateur.</translation>
    </message>
    <message>
        <source>This signature attempt could not be recorded in the system event log:
    %s

The signature is refused, since every failed signature attempt must be recorded.
Please contact your Administrator.</source>
        <translation>Cette tentative de signature n&apos;a pas pu être enregistrée dans le journal des événements système :
    %s

La signature est refusée, car chaque tentative de signature échouée doit être enregistrée.
Veuillez contacter votre administrateur.</translation>
    </message>
    <message>
        <source>User Login</source>
        <translation>Connexion de l&apos;utilisateur</translation>
    </message>
    <message>
        <source>Idle Timeout re-authentication required</source>
        <translation>Réauthentification requise après inactivité</translation>
    </message>
    <message>
        <source>Your password expires in 1 day. After that you must choose a new one when you log on.</source>
        <translation>Votre mot de passe expire dans 1 jour. Vous devrez ensuite en choisir un nouveau à la connexion.</translation>
    </message>
    <message>
        <source>Your password expires in %d days. After that you must choose a new one when you log on.</source>
        <translation>Votre mot de passe expire dans %d jours. Vous devrez ensuite en choisir un nouveau à la connexion.</translation>
    </message>
</context>
<context>
    <name>tav::MessageBox</name>
    <message>
        <source>&amp;Try Again</source>
        <translation>&amp;Réessayer</translation>
    </message>
    <message>
        <source>&amp;Continue</source>
        <translation>&amp;Continuer</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
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
        <translation>--- non défini ---</translation>
    </message>
    <message>
        <source>Configure Compliance Settings</source>
        <translation>Configurer les paramètres de conformité</translation>
    </message>
    <message>
        <source>Create Documents</source>
        <translation>Créer des documents</translation>
    </message>
    <message>
        <source>Edit Plate Setup</source>
        <translation>Modifier la configuration de plaque</translation>
    </message>
    <message>
        <source>Edit Thermal Profile</source>
        <translation>Modifier le profil thermique</translation>
    </message>
    <message>
        <source>Start Runs</source>
        <translation>Démarrer des runs</translation>
    </message>
    <message>
        <source>Stop Runs</source>
        <translation>Arrêter des runs</translation>
    </message>
    <message>
        <source>Manage Run List</source>
        <translation>Gérer la liste des runs</translation>
    </message>
    <message>
        <source>Analyze Data</source>
        <translation>Analyser les données</translation>
    </message>
    <message>
        <source>Edit Analysis Settings</source>
        <translation>Modifier les paramètres d&apos;analyse</translation>
    </message>
    <message>
        <source>Calibrate Instrument</source>
        <translation>Étalonner l&apos;instrument</translation>
    </message>
    <message>
        <source>Export Data</source>
        <translation>Exporter des données</translation>
    </message>
    <message>
        <source>Print Reports</source>
        <translation>Imprimer des rapports</translation>
    </message>
    <message>
        <source>Save Templates and Methods</source>
        <translation>Enregistrer modèles et méthodes</translation>
    </message>
    <message>
        <source>View Audit Trails</source>
        <translation>Consulter les pistes d&apos;audit</translation>
    </message>
    <message>
        <source>Run Files (*.tav)</source>
        <translation>Fichiers de run (*.tav)</translation>
    </message>
    <message>
        <source>Calibration Files (*.tvc)</source>
        <translation>Fichiers d&apos;étalonnage (*.tvc)</translation>
    </message>
    <message>
        <source>Templates (*.tvt)</source>
        <translation>Modèles (*.tvt)</translation>
    </message>
    <message>
        <source>Analysis Settings (*.tvs)</source>
        <translation>Paramètres d&apos;analyse (*.tvs)</translation>
    </message>
    <message>
        <source>Reports (*.tvr)</source>
        <translation>Rapports (*.tvr)</translation>
    </message>
    <message>
        <source>Methods (*.tvm)</source>
        <translation>Méthodes (*.tvm)</translation>
    </message>
    <message>
        <source>Not Audited</source>
        <translation>Non audité</translation>
    </message>
    <message>
        <source>Audited</source>
        <translation>Audité</translation>
    </message>
    <message>
        <source>Audited, Reason for Change Optional</source>
        <translation>Audité, motif de modification facultatif</translation>
    </message>
    <message>
        <source>Audited, Reason for Change Required</source>
        <translation>Audité, motif de modification obligatoire</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucune</translation>
    </message>
    <message>
        <source>Optional</source>
        <translation>Facultative</translation>
    </message>
    <message>
        <source>Required</source>
        <translation>Obligatoire</translation>
    </message>
    <message>
        <source>Authored</source>
        <translation>Rédigé</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Revu</translation>
    </message>
    <message>
        <source>Approved</source>
        <translation>Approuvé</translation>
    </message>
    <message>
        <source>Verified</source>
        <translation>Vérifié</translation>
    </message>
    <message>
        <source>document</source>
        <translation>document</translation>
    </message>
    <message>
        <source>plate setup</source>
        <translation>configuration de plaque</translation>
    </message>
    <message>
        <source>thermal profile</source>
        <translation>profil thermique</translation>
    </message>
    <message>
        <source>run data</source>
        <translation>données de run</translation>
    </message>
    <message>
        <source>analysis results</source>
        <translation>résultats d&apos;analyse</translation>
    </message>
    <message>
        <source>calibration data</source>
        <translation>données d&apos;étalonnage</translation>
    </message>
    <message>
        <source>analysis settings</source>
        <translation>paramètres d&apos;analyse</translation>
    </message>
    <message>
        <source>Document</source>
        <translation>Document</translation>
    </message>
    <message>
        <source>Plate Setup</source>
        <translation>Configuration de plaque</translation>
    </message>
    <message>
        <source>Thermal Profile</source>
        <translation>Profil thermique</translation>
    </message>
    <message>
        <source>Run Data</source>
        <translation>Données de run</translation>
    </message>
    <message>
        <source>Analysis Results</source>
        <translation>Résultats d&apos;analyse</translation>
    </message>
    <message>
        <source>Calibration Data</source>
        <translation>Données d&apos;étalonnage</translation>
    </message>
    <message>
        <source>Analysis Settings</source>
        <translation>Paramètres d&apos;analyse</translation>
    </message>
    <message>
        <source>Authored Document</source>
        <translation>Document rédigé</translation>
    </message>
    <message>
        <source>Authored Plate Setup</source>
        <translation>Configuration de plaque rédigée</translation>
    </message>
    <message>
        <source>Authored Thermal Profile</source>
        <translation>Profil thermique rédigé</translation>
    </message>
    <message>
        <source>Authored Run Data</source>
        <translation>Données de run rédigées</translation>
    </message>
    <message>
        <source>Authored Analysis Results</source>
        <translation>Résultats d&apos;analyse rédigés</translation>
    </message>
    <message>
        <source>Authored Calibration Data</source>
        <translation>Données d&apos;étalonnage rédigées</translation>
    </message>
    <message>
        <source>Authored Analysis Settings</source>
        <translation>Paramètres d&apos;analyse rédigés</translation>
    </message>
    <message>
        <source>Reviewed Document</source>
        <translation>Document revu</translation>
    </message>
    <message>
        <source>Reviewed Plate Setup</source>
        <translation>Configuration de plaque revue</translation>
    </message>
    <message>
        <source>Reviewed Thermal Profile</source>
        <translation>Profil thermique revu</translation>
    </message>
    <message>
        <source>Reviewed Run Data</source>
        <translation>Données de run revues</translation>
    </message>
    <message>
        <source>Reviewed Analysis Results</source>
        <translation>Résultats d&apos;analyse revus</translation>
    </message>
    <message>
        <source>Reviewed Calibration Data</source>
        <translation>Données d&apos;étalonnage revues</translation>
    </message>
    <message>
        <source>Reviewed Analysis Settings</source>
        <translation>Paramètres d&apos;analyse revus</translation>
    </message>
    <message>
        <source>Approved Document</source>
        <translation>Document approuvé</translation>
    </message>
    <message>
        <source>Approved Plate Setup</source>
        <translation>Configuration de plaque approuvée</translation>
    </message>
    <message>
        <source>Approved Thermal Profile</source>
        <translation>Profil thermique approuvé</translation>
    </message>
    <message>
        <source>Approved Run Data</source>
        <translation>Données de run approuvées</translation>
    </message>
    <message>
        <source>Approved Analysis Results</source>
        <translation>Résultats d&apos;analyse approuvés</translation>
    </message>
    <message>
        <source>Approved Calibration Data</source>
        <translation>Données d&apos;étalonnage approuvées</translation>
    </message>
    <message>
        <source>Approved Analysis Settings</source>
        <translation>Paramètres d&apos;analyse approuvés</translation>
    </message>
    <message>
        <source>Verified Document</source>
        <translation>Document vérifié</translation>
    </message>
    <message>
        <source>Verified Plate Setup</source>
        <translation>Configuration de plaque vérifiée</translation>
    </message>
    <message>
        <source>Verified Thermal Profile</source>
        <translation>Profil thermique vérifié</translation>
    </message>
    <message>
        <source>Verified Run Data</source>
        <translation>Données de run vérifiées</translation>
    </message>
    <message>
        <source>Verified Analysis Results</source>
        <translation>Résultats d&apos;analyse vérifiés</translation>
    </message>
    <message>
        <source>Verified Calibration Data</source>
        <translation>Données d&apos;étalonnage vérifiées</translation>
    </message>
    <message>
        <source>Verified Analysis Settings</source>
        <translation>Paramètres d&apos;analyse vérifiés</translation>
    </message>
</context>
<context>
    <name>tav::ReviewFlow</name>
    <message>
        <source>The signature was refused (error %1).</source>
        <translation>La signature a été refusée (erreur %1).</translation>
    </message>
    <message>
        <source>The review was not recorded.</source>
        <translation>La revue n&apos;a pas été enregistrée.</translation>
    </message>
    <message>
        <source>Mark Reviewed</source>
        <translation>Marquer comme revu</translation>
    </message>
</context>
<context>
    <name>tav::RunList</name>
    <message>
        <source>Destination folder cannot be blank.</source>
        <translation>Le dossier de destination ne peut pas être vide.</translation>
    </message>
    <message>
        <source>&apos;%s&apos; is not a valid path.</source>
        <translation>« %s » n&apos;est pas un chemin valide.</translation>
    </message>
    <message>
        <source>Destination path must start with &apos;/&apos;.</source>
        <translation>Le chemin de destination doit commencer par « / ».</translation>
    </message>
    <message>
        <source>Partial or relative paths are not allowed.</source>
        <translation>Les chemins partiels ou relatifs ne sont pas autorisés.</translation>
    </message>
    <message>
        <source>Run List Manager</source>
        <translation>Gestionnaire de la liste des runs</translation>
    </message>
    <message>
        <source>Run List</source>
        <translation>Liste des runs</translation>
    </message>
    <message>
        <source>Audit Trail</source>
        <translation>Piste d&apos;audit</translation>
    </message>
    <message>
        <source>No items were selected!
</source>
        <translation>Aucun élément n&apos;a été sélectionné !
</translation>
    </message>
    <message>
        <source>Confirm File Delete</source>
        <translation>Confirmer la suppression du fichier</translation>
    </message>
    <message>
        <source>Confirm File Replace</source>
        <translation>Confirmer le remplacement du fichier</translation>
    </message>
    <message>
        <source>%s is currently open and cannot be deleted.</source>
        <translation>%s est actuellement ouvert et ne peut pas être supprimé.</translation>
    </message>
    <message>
        <source>Select destination folder</source>
        <translation>Choisir le dossier de destination</translation>
    </message>
    <message>
        <source>File Import</source>
        <translation>Importation de fichiers</translation>
    </message>
    <message>
        <source>TAV Files (*.tav *.tvm *.tvt)</source>
        <translation>Fichiers TAV (*.tav *.tvm *.tvt)</translation>
    </message>
    <message>
        <source>&amp;Import</source>
        <translation>&amp;Importer</translation>
    </message>
    <message>
        <source>Missing: the file is no longer at this location. Delete removes it from the list.</source>
        <translation>Manquant : le fichier n&apos;est plus à cet emplacement. Supprimer le retire de la liste.</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Emplacement</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Created Date</source>
        <translation>Date de création</translation>
    </message>
    <message>
        <source>Created By</source>
        <translation>Créé par</translation>
    </message>
    <message>
        <source>Date &amp; Time</source>
        <translation>Date et heure</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Utilisateur</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Événement</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>The file is deleted; it was not on the run list any more.</source>
        <translation>Le fichier est supprimé ; il n&apos;était plus dans la liste des runs.</translation>
    </message>
    <message>
        <source>The file was not on the run list any more.</source>
        <translation>Le fichier n&apos;était plus dans la liste des runs.</translation>
    </message>
    <message>
        <source>The file is deleted, but the run list still holds it: the next time the list is loaded it is shown as missing, and Delete removes it.</source>
        <translation>Le fichier est supprimé, mais la liste des runs le contient encore : au prochain chargement, il apparaît comme manquant et Supprimer le retire.</translation>
    </message>
    <message>
        <source>The run list still holds the file: the next time the list is loaded it is shown again, as missing.</source>
        <translation>La liste des runs contient encore le fichier : au prochain chargement, il réapparaît comme manquant.</translation>
    </message>
    <message>
        <source>The file is now at [%s], but it was not on the run list any more; Import adds it.</source>
        <translation>Le fichier se trouve maintenant à [%s], mais il n&apos;était plus dans la liste des runs ; Importer l&apos;ajoute.</translation>
    </message>
    <message>
        <source>The file is now at [%s], but the run list still names it at [%s]: the next time the list is loaded it is shown there as missing. Import adds the file at its new place.</source>
        <translation>Le fichier se trouve maintenant à [%s], mais la liste des runs l&apos;indique encore à [%s] : au prochain chargement, il y apparaît comme manquant. Importer ajoute le fichier à son nouvel emplacement.</translation>
    </message>
    <message>
        <source>Are you sure you want to delete &apos;%s&apos;?</source>
        <translation>Voulez-vous vraiment supprimer « %s » ?</translation>
    </message>
    <message>
        <source>%s is not found. Would you like to remove it from the list?</source>
        <translation>%s est introuvable. Voulez-vous le retirer de la liste ?</translation>
    </message>
    <message>
        <source>Failed to delete [%s]. </source>
        <translation>Impossible de supprimer [%s]. </translation>
    </message>
    <message>
        <source>Failed to delete record [%s]. </source>
        <translation>Impossible de supprimer l&apos;enregistrement [%s]. </translation>
    </message>
    <message>
        <source>Error: %d</source>
        <translation>Erreur : %d</translation>
    </message>
    <message>
        <source>&apos;%s&apos; is not found.</source>
        <translation>« %s » est introuvable.</translation>
    </message>
    <message>
        <source>&apos;%s&apos; is already in &apos;%s&apos;</source>
        <translation>« %s » se trouve déjà dans « %s »</translation>
    </message>
    <message>
        <source>Destination folder cannot be the same as the current folder.</source>
        <translation>Le dossier de destination ne peut pas être le dossier actuel.</translation>
    </message>
    <message>
        <source>&apos;%s&apos; already exists in &apos;%s&apos;</source>
        <translation>« %s » existe déjà dans « %s »</translation>
    </message>
    <message>
        <source>Are you sure you want to replace it?</source>
        <translation>Voulez-vous vraiment le remplacer ?</translation>
    </message>
    <message>
        <source>Failed to move [%s] to [%s] </source>
        <translation>Impossible de déplacer [%s] vers [%s]. </translation>
    </message>
    <message>
        <source>The file was copied to [%s], but [%s] could not be removed; the run list still names [%s].</source>
        <translation>Le fichier a été copié vers [%s], mais [%s] n&apos;a pas pu être supprimé ; la liste des runs indique encore [%s].</translation>
    </message>
    <message>
        <source>Failed to update file list. </source>
        <translation>Impossible de mettre à jour la liste des fichiers. </translation>
    </message>
    <message>
        <source>[%s] is not an TAV file.</source>
        <translation>[%s] n&apos;est pas un fichier TAV.</translation>
    </message>
    <message>
        <source>[%s] is already on the list. It cannot be imported again.</source>
        <translation>[%s] figure déjà dans la liste. Il ne peut pas être importé à nouveau.</translation>
    </message>
    <message>
        <source>Failed to import [%s]. </source>
        <translation>Impossible d&apos;importer [%s]. </translation>
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
        <translation>L&apos;opération a réussi.</translation>
    </message>
    <message>
        <source>The user name is blank.</source>
        <translation>Le nom d&apos;utilisateur est vide.</translation>
    </message>
    <message>
        <source>The handle is invalid.</source>
        <translation>Le descripteur n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>Not enough memory resources are available to process this command.</source>
        <translation>Mémoire insuffisante pour traiter cette commande.</translation>
    </message>
    <message>
        <source>The parameter is incorrect.</source>
        <translation>Le paramètre est incorrect.</translation>
    </message>
    <message>
        <source>No logon server is available to service the logon request.</source>
        <translation>Aucun serveur d&apos;ouverture de session n&apos;est disponible pour traiter la demande.</translation>
    </message>
    <message>
        <source>Logon failure: unknown user name or bad password.</source>
        <translation>Échec de connexion : nom d&apos;utilisateur inconnu ou mot de passe incorrect.</translation>
    </message>
    <message>
        <source>Unable to update the password. The value provided for the new password does not meet the length, complexity, or history requirements of the domain.</source>
        <translation>Impossible de mettre à jour le mot de passe. Le nouveau mot de passe ne respecte pas les exigences de longueur, de complexité ou d&apos;historique.</translation>
    </message>
    <message>
        <source>Logon failure: account restrictions prevent this user from signing in.</source>
        <translation>Échec de connexion : des restrictions du compte empêchent cet utilisateur de se connecter.</translation>
    </message>
    <message>
        <source>The password for this account has expired.</source>
        <translation>Le mot de passe de ce compte a expiré.</translation>
    </message>
    <message>
        <source>Logon failure: the account is currently disabled.</source>
        <translation>Échec de connexion : le compte est actuellement désactivé.</translation>
    </message>
    <message>
        <source>Logon failure: the account has expired.</source>
        <translation>Échec de connexion : le compte a expiré.</translation>
    </message>
    <message>
        <source>The user&apos;s password must be changed before signing in.</source>
        <translation>Le mot de passe de l&apos;utilisateur doit être modifié avant la connexion.</translation>
    </message>
    <message>
        <source>The referenced account is currently locked out and may not be logged on to.</source>
        <translation>Le compte est actuellement verrouillé et la connexion est impossible.</translation>
    </message>
</context>
<context>
    <name>tav::SystemAudit</name>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copier</translation>
    </message>
    <message>
        <source>&amp;Export to CSV...</source>
        <translation>&amp;Exporter en CSV...</translation>
    </message>
    <message>
        <source>Export &amp;Signed Listing...</source>
        <translation>Exporter un listage &amp;signé...</translation>
    </message>
    <message>
        <source>The chain of the event log could not be checked: %s</source>
        <translation>La chaîne du journal des événements n&apos;a pas pu être vérifiée : %s</translation>
    </message>
    <message>
        <source>Date &amp; Time</source>
        <translation>Date et heure</translation>
    </message>
    <message>
        <source>User Login</source>
        <translation>Connexion de l&apos;utilisateur</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>Événement</translation>
    </message>
    <message>
        <source>Checking the chain of the event log...</source>
        <translation>Vérification de la chaîne du journal des événements...</translation>
    </message>
    <message>
        <source>Workstation</source>
        <translation>Poste de travail</translation>
    </message>
    <message>
        <source>System Audit</source>
        <translation>Audit du système</translation>
    </message>
    <message>
        <source>Event Log</source>
        <translation>Journal des événements</translation>
    </message>
    <message>
        <source>Configuration Audit Trail</source>
        <translation>Piste d&apos;audit de la configuration</translation>
    </message>
    <message>
        <source>(no values recorded)</source>
        <translation>(aucune valeur enregistrée)</translation>
    </message>
    <message>
        <source>Reason for Change</source>
        <translation>Motif de modification</translation>
    </message>
    <message>
        <source>What Changed</source>
        <translation>Élément modifié</translation>
    </message>
    <message>
        <source>(no user)</source>
        <translation>(aucun utilisateur)</translation>
    </message>
    <message>
        <source>Change %s on %s by %s</source>
        <translation>Modification %s le %s par %s</translation>
    </message>
    <message>
        <source>Reason for change: %s</source>
        <translation>Motif de modification : %s</translation>
    </message>
    <message>
        <source>(none given)</source>
        <translation>(aucun indiqué)</translation>
    </message>
    <message>
        <source>1 event, chain intact</source>
        <translation>1 événement, chaîne intacte</translation>
    </message>
    <message numerus="yes">
        <source>%n events, chain intact</source>
        <translation>
            <numerusform>%n événement, chaîne intacte</numerusform>
            <numerusform>%n événements, chaîne intacte</numerusform>
        </translation>
    </message>
    <message>
        <source>1 event. Chain broken: %s</source>
        <translation>1 événement. Chaîne rompue : %s</translation>
    </message>
    <message numerus="yes">
        <source>%n events. Chain broken: %s</source>
        <translation>
            <numerusform>%n événement. Chaîne rompue : %s</numerusform>
            <numerusform>%n événements. Chaîne rompue : %s</numerusform>
        </translation>
    </message>
    <message>
        <source> (and 1 more problem)</source>
        <translation> (et 1 autre problème)</translation>
    </message>
    <message numerus="yes">
        <source> (and %n more problems)</source>
        <translation>
            <numerusform> (et %n autre problème)</numerusform>
            <numerusform> (et %n autres problèmes)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>tav::host::HostWindow</name>
    <message>
        <source>(nobody is logged on)</source>
        <translation>(personne n&apos;est connecté)</translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(aucun)</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>oui</translation>
    </message>
    <message>
        <source>no</source>
        <translation>non</translation>
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
        <translation>Réauthentification après %1 s d&apos;inactivité</translation>
    </message>
    <message>
        <source>No idle timeout</source>
        <translation>Aucun délai d&apos;inactivité</translation>
    </message>
    <message>
        <source>About TAV Host</source>
        <translation>À propos de TAV Host</translation>
    </message>
    <message>
        <source>TAV Host: a sample program of the instrument suite that uses libTAVSecurityUI for logons, permissions and compliance dialogs.</source>
        <translation>TAV Host : un programme d&apos;exemple de la suite d&apos;instruments qui utilise libTAVSecurityUI pour les connexions, les autorisations et les dialogues de conformité.</translation>
    </message>
    <message>
        <source>Not in this version of the library</source>
        <translation>Absent de cette version de la bibliothèque</translation>
    </message>
    <message>
        <source>Show Signatures</source>
        <translation>Afficher les signatures</translation>
    </message>
    <message>
        <source>Sign a Document</source>
        <translation>Signer un document</translation>
    </message>
</context>
<context>
    <name>tav::host::RunDocuments</name>
    <message>
        <source>%1 - Run Document</source>
        <translation>%1 - Document de run</translation>
    </message>
</context>
<context>
    <name>tav::host::SignDocument</name>
    <message>
        <source>Documents of the suite (*.tav *.tvc *.tvt *.tvs *.tvr *.tvm);;All files (*)</source>
        <translation>Documents de la suite (*.tav *.tvc *.tvt *.tvs *.tvr *.tvm);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>%1 holds no signatures.</source>
        <translation>%1 ne contient aucune signature.</translation>
    </message>
    <message>
        <source>Signatures</source>
        <translation>Signatures</translation>
    </message>
</context>
</TS>
