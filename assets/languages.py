"""The interface texts of every language, in id order (54 each).

English is the saver's built-in table, character for character. The four
caption names (ids 23 to 26) are names and stay the same in every language.
"""

# Language index (the registry value CurLang) -> (file suffix, picture name stem).
LANGUAGES = [
    ("en", "English"),
    ("ru", "Russian"),
    ("de", "German"),
    ("fr", "France"),
    ("es", "Spannish"),
    ("it", "Italian"),
    ("jp", "Japan"),
]

CAPTIONS = ["Varnelle", "Ostrevin", "Dumareth", "Krisolan"]

TEXTS = {
    "en": [
        "\u041Ek", "Cancel", "Preview", "Remove", "Remove All", "Show Images", "Select Scheme", "Files",
        "Select", "Options", "Resolution", "About", "Screen Saver", "Version", "Language", "Open", "Close",
        "Delete", "Add", "Not Supported", "Video acceleration disable", "Please. Enabl video acceleration",
        "Options", *CAPTIONS, "Rotation", "Falling", "Approach", "Motion", "Fall Rotation", "Fire",
        "Fireball", "Detonation", "Blum speed", "Blum size", "Solar", "Earth", "RGB", "Caramel", "Flame",
        "Ice", "Smoke", "Cheerful",
        "The computer configuration does not meet minimal system requirements",
        "Hardware acceleration is not enabled",
        "Version 2.0 shaders are not supported",
        "Version 1.0 shaders are not supported",
        "Please install the latest drivers for your video card from the card manufacturer web site",
        "DirectX 9.0c or later is not installed. Please update your DirectX version from the Microsoft web site.",
        "The current display resolution is not supported.",
        "Add your images or photos here.",
        "Click Add or just drag and drop files to this window.",
    ],
    "ru": [
        "ОК", "Отмена", "Просмотр", "Удалить", "Удалить все", "Показывать изображения", "Выбор схемы",
        "Файлы", "Выбрать", "Параметры", "Разрешение", "О программе", "Заставка", "Версия", "Язык",
        "Открыть", "Закрыть", "Удалить", "Добавить", "Не поддерживается", "Видеоускорение отключено",
        "Пожалуйста, включите видеоускорение", "Параметры", *CAPTIONS, "Вращение", "Падение",
        "Приближение", "Движение", "Падение с вращением", "Огонь", "Огненный шар", "Взрыв",
        "Скорость капель", "Размер капель", "Солнце", "Земля", "RGB", "Карамель", "Пламя", "Лёд", "Дым",
        "Весёлая",
        "Конфигурация компьютера не соответствует минимальным системным требованиям",
        "Аппаратное ускорение не включено",
        "Шейдеры версии 2.0 не поддерживаются",
        "Шейдеры версии 1.0 не поддерживаются",
        "Установите последние драйверы видеокарты с веб-сайта её производителя",
        "DirectX 9.0c или более поздней версии не установлен. Обновите DirectX с веб-сайта Microsoft.",
        "Текущее разрешение экрана не поддерживается.",
        "Добавьте сюда свои изображения или фотографии.",
        "Нажмите «Добавить» или просто перетащите файлы в это окно.",
    ],
    "de": [
        "OK", "Abbrechen", "Vorschau", "Entfernen", "Alle entfernen", "Bilder anzeigen", "Stil auswählen",
        "Dateien", "Auswählen", "Optionen", "Auflösung", "Info", "Bildschirmschoner", "Version", "Sprache",
        "Öffnen", "Schließen", "Löschen", "Hinzufügen", "Nicht unterstützt",
        "Videobeschleunigung deaktiviert", "Bitte aktivieren Sie die Videobeschleunigung", "Optionen",
        *CAPTIONS, "Drehung", "Fallen", "Annäherung", "Bewegung", "Fallen mit Drehung", "Feuer",
        "Feuerball", "Detonation", "Tempo der Tropfen", "Größe der Tropfen", "Sonne", "Erde", "RGB",
        "Karamell", "Flamme", "Eis", "Rauch", "Fröhlich",
        "Die Konfiguration dieses Computers erfüllt nicht die Mindestsystemanforderungen",
        "Die Hardwarebeschleunigung ist nicht aktiviert",
        "Shader der Version 2.0 werden nicht unterstützt",
        "Shader der Version 1.0 werden nicht unterstützt",
        "Bitte installieren Sie die neuesten Treiber für Ihre Grafikkarte von der Website des Herstellers",
        "DirectX 9.0c oder höher ist nicht installiert. Bitte aktualisieren Sie DirectX über die "
        "Microsoft-Website.",
        "Die aktuelle Bildschirmauflösung wird nicht unterstützt.",
        "Fügen Sie hier Ihre Bilder oder Fotos hinzu.",
        "Klicken Sie auf „Hinzufügen“ oder ziehen Sie Dateien einfach in dieses Fenster.",
    ],
    "fr": [
        "OK", "Annuler", "Aperçu", "Retirer", "Tout retirer", "Afficher les images", "Choisir un style",
        "Fichiers", "Sélectionner", "Options", "Résolution", "À propos", "Économiseur d’écran", "Version",
        "Langue", "Ouvrir", "Fermer", "Supprimer", "Ajouter", "Non pris en charge",
        "Accélération vidéo désactivée", "Veuillez activer l’accélération vidéo", "Options", *CAPTIONS,
        "Rotation", "Chute", "Approche", "Mouvement", "Chute en rotation", "Feu", "Boule de feu",
        "Détonation", "Vitesse des bulles", "Taille des bulles", "Soleil", "Terre", "RVB", "Caramel",
        "Flamme", "Glace", "Fumée", "Joyeux",
        "La configuration de cet ordinateur ne satisfait pas à la configuration système minimale requise",
        "L’accélération matérielle n’est pas activée",
        "Les shaders de version 2.0 ne sont pas pris en charge",
        "Les shaders de version 1.0 ne sont pas pris en charge",
        "Veuillez installer les derniers pilotes de votre carte graphique depuis le site web de son fabricant",
        "DirectX 9.0c ou une version ultérieure n’est pas installé. Veuillez mettre à jour DirectX depuis "
        "le site web de Microsoft.",
        "La résolution d’affichage actuelle n’est pas prise en charge.",
        "Ajoutez ici vos images ou vos photos.",
        "Cliquez sur Ajouter ou faites simplement glisser des fichiers dans cette fenêtre.",
    ],
    "es": [
        "Aceptar", "Cancelar", "Vista previa", "Quitar", "Quitar todo", "Mostrar imágenes",
        "Seleccionar estilo", "Archivos", "Seleccionar", "Opciones", "Resolución", "Acerca de",
        "Protector de pantalla", "Versión", "Idioma", "Abrir", "Cerrar", "Eliminar", "Añadir",
        "No compatible", "Aceleración de vídeo desactivada", "Active la aceleración de vídeo", "Opciones",
        *CAPTIONS, "Rotación", "Caída", "Acercamiento", "Movimiento", "Caída con rotación", "Fuego",
        "Bola de fuego", "Detonación", "Velocidad de las burbujas", "Tamaño de las burbujas", "Sol",
        "Tierra", "RGB", "Caramelo", "Llama", "Hielo", "Humo", "Alegre",
        "La configuración del equipo no cumple los requisitos mínimos del sistema",
        "La aceleración por hardware no está activada",
        "No se admiten los sombreadores de la versión 2.0",
        "No se admiten los sombreadores de la versión 1.0",
        "Instale los controladores más recientes de su tarjeta gráfica desde el sitio web del fabricante",
        "DirectX 9.0c o posterior no está instalado. Actualice DirectX desde el sitio web de Microsoft.",
        "La resolución de pantalla actual no es compatible.",
        "Añada aquí sus imágenes o fotos.",
        "Haga clic en Añadir o simplemente arrastre y suelte archivos en esta ventana.",
    ],
    "it": [
        "OK", "Annulla", "Anteprima", "Rimuovi", "Rimuovi tutto", "Mostra immagini", "Seleziona stile",
        "File", "Seleziona", "Opzioni", "Risoluzione", "Informazioni", "Salvaschermo", "Versione", "Lingua",
        "Apri", "Chiudi", "Elimina", "Aggiungi", "Non supportato", "Accelerazione video disattivata",
        "Attiva l’accelerazione video", "Opzioni", *CAPTIONS, "Rotazione", "Caduta", "Avvicinamento",
        "Movimento", "Caduta con rotazione", "Fuoco", "Palla di fuoco", "Detonazione",
        "Velocità delle bolle", "Dimensione delle bolle", "Sole", "Terra", "RGB", "Caramello", "Fiamma",
        "Ghiaccio", "Fumo", "Allegro",
        "La configurazione del computer non soddisfa i requisiti minimi di sistema",
        "L’accelerazione hardware non è attivata",
        "Gli shader versione 2.0 non sono supportati",
        "Gli shader versione 1.0 non sono supportati",
        "Installa i driver più recenti della scheda video dal sito web del produttore",
        "DirectX 9.0c o versione successiva non è installato. Aggiorna DirectX dal sito web di Microsoft.",
        "La risoluzione dello schermo attuale non è supportata.",
        "Aggiungi qui le tue immagini o foto.",
        "Fai clic su Aggiungi oppure trascina i file in questa finestra.",
    ],
    "jp": [
        "OK", "キャンセル", "プレビュー", "削除", "すべて削除", "画像を表示", "スタイルの選択", "ファイル",
        "選択", "オプション", "解像度", "バージョン情報", "スクリーン セーバー", "バージョン", "言語", "開く",
        "閉じる", "削除", "追加", "サポートされていません", "ビデオ アクセラレーションが無効です",
        "ビデオ アクセラレーションを有効にしてください", "オプション", *CAPTIONS, "回転", "落下", "接近",
        "動き", "回転しながら落下", "炎", "火の玉", "爆発", "ブロブの速度", "ブロブのサイズ", "太陽",
        "地球", "RGB", "キャラメル", "フレイム", "氷", "煙", "カラフル",
        "このコンピューターの構成は最小システム要件を満たしていません",
        "ハードウェア アクセラレーションが有効になっていません",
        "バージョン 2.0 のシェーダーはサポートされていません",
        "バージョン 1.0 のシェーダーはサポートされていません",
        "ビデオ カードの製造元の Web サイトから最新のドライバーをインストールしてください",
        "DirectX 9.0c 以降がインストールされていません。Microsoft の Web サイトから DirectX を更新してください。",
        "現在の画面解像度はサポートされていません。",
        "ここに画像や写真を追加してください。",
        "[追加] をクリックするか、このウィンドウにファイルをドラッグ アンド ドロップしてください。",
    ],
}

TEXT_COUNT = 54

for _code, _texts in TEXTS.items():
    assert len(_texts) == TEXT_COUNT, (_code, len(_texts))
    assert _texts[23:27] == CAPTIONS, _code
    assert all("\r" not in t and "\n" not in t for t in _texts), _code


def language_file_bytes(code):
    """UTF-8 with byte-order mark, every line (the last one too) ended by CR LF."""
    return b"\xef\xbb\xbf" + "".join(t + "\r\n" for t in TEXTS[code]).encode("utf-8")
